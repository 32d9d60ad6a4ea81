#include "FuzzSupport.h"

#include "commandbar/Calculator.h"

#include <cmath>
#include <cstring>

// What follows "=" in the command bar, and any double the evaluation can give.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString expression = QString::fromUtf8(Fuzz::bytes(data, size));
    if (const std::optional<double> value = Calculator::evaluate(expression)) {
        Fuzz::require(std::isfinite(*value), "a result is finite");
        Fuzz::require(!Calculator::format(*value).isEmpty(), "a result has a text");
    }
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        (void)Calculator::format(raw);
    }
    return 0;
}

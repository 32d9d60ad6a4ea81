#include "FuzzSupport.h"

#include "actions/OllamaClient.h"

// The model server's answer to "/api/tags" and "/api/ps".
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList names = OllamaClient::modelNames(Fuzz::bytes(data, size));
    Fuzz::require(names.size() <= qsizetype(size), "no more names than bytes");
    return 0;
}

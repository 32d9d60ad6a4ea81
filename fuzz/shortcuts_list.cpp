#include "FuzzSupport.h"

#include "skills/SkillBook.h"

#include <algorithm>

// What the Shortcuts tool prints for `list`: one name a line.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList names = SkillBook::parseListing(QString::fromUtf8(Fuzz::bytes(data, size)));
    for (const QString &name : names) {
        Fuzz::require(!name.isEmpty() && !name.contains(QLatin1Char('\n')), "one name a line");
        // Names are kept as listed (a file name may end in a space) but never blank.
        Fuzz::require(std::any_of(name.cbegin(), name.cend(),
                                  [](QChar c) { return c != u' ' && c != u'\t'; }),
                      "no blank names");
    }
    return 0;
}

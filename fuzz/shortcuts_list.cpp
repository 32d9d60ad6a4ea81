#include "FuzzSupport.h"

#include "skills/SkillBook.h"

// What the Shortcuts tool prints for `list`: one name a line.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList names = SkillBook::parseListing(QString::fromUtf8(Fuzz::bytes(data, size)));
    for (const QString &name : names) {
        Fuzz::require(!name.isEmpty() && !name.contains(QLatin1Char('\n')), "one name a line");
        Fuzz::require(!name.startsWith(QLatin1Char(' ')) && !name.endsWith(QLatin1Char('\t')),
                      "names are trimmed");
    }
    return 0;
}

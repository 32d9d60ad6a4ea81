#include "FuzzSupport.h"

#include "clipboard/ClipItem.h"

// The kind of a copied text (link, path or text), as the history and the command bar show it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ClipItem item;
    item.text = QString::fromUtf8(Fuzz::bytes(data, size));
    const ClipItem::Kind kind = item.kind();
    if (kind == ClipItem::Kind::link || kind == ClipItem::Kind::path)
        Fuzz::require(!item.text.trimmed().contains(QLatin1Char('\n')),
                      "a link or path is one line");
    return 0;
}

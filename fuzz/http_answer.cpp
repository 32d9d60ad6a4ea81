#include "FuzzSupport.h"

#include "actions/HttpAnswerReader.h"

// Whatever binds the model server's port answers the local-model client. The first byte says
// how the rest arrives (in pieces of 1 to 16 bytes), and the answer read so must be the one read
// from the bytes in one piece.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray answer = Fuzz::bytes(data + 1, size - 1);
    const qsizetype piece = data[0] % 16 + 1;
    HttpAnswerReader whole(256), split(256);
    if (whole.feed(answer) == HttpAnswerReader::State::reading)
        whole.close();
    for (qsizetype at = 0; at < answer.size(); at += piece)
        split.feed(QByteArrayView(answer).sliced(at, std::min(piece, answer.size() - at)));
    if (split.state() == HttpAnswerReader::State::reading)
        split.close();
    Fuzz::require(whole.state() != HttpAnswerReader::State::reading, "an answer ends at the close");
    Fuzz::require(split.state() == whole.state() && split.error() == whole.error(),
                  "the same outcome however the bytes are split");
    if (whole.state() == HttpAnswerReader::State::done) {
        Fuzz::require(split.body() == whole.body() && split.status() == whole.status(),
                      "the same answer however the bytes are split");
        Fuzz::require(whole.body().size() <= 256, "no body over the limit");
        Fuzz::require(whole.status() >= 200 && whole.status() < 600, "a final status");
    }
    return 0;
}

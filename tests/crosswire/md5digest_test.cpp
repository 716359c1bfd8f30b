#include "crosswire/md5digest.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using KnObjects::Crosswire::Md5Digest;

namespace {

QByteArray hexOf(const Md5Digest::Result &result)
{
    return QByteArray(reinterpret_cast<const char *>(result.data()), qsizetype(result.size()))
        .toHex();
}

} // namespace

// Guards the padding and the block boundaries: every length around one and two blocks, fed at
// once and in uneven pieces, against the system's own hash.
TEST(Md5Digest, AgreesWithTheSystemHashForEveryLengthAndSplit)
{
    QRandomGenerator random(17);
    for (int length = 0; length <= 300; ++length) {
        QByteArray data(length, Qt::Uninitialized);
        for (char &c : data)
            c = char(random.bounded(256));
        const QByteArray expected = QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex();
        Md5Digest whole;
        whole.add(data.constData(), size_t(data.size()));
        ASSERT_EQ(hexOf(whole.result()), expected) << "length " << length;
        Md5Digest pieces;
        for (qsizetype at = 0; at < data.size();) {
            const qsizetype piece = qMin<qsizetype>(1 + random.bounded(70), data.size() - at);
            pieces.add(data.constData() + at, size_t(piece));
            at += piece;
        }
        ASSERT_EQ(hexOf(pieces.result()), expected) << "length " << length;
        EXPECT_EQ(pieces.length(), uint64_t(length));
    }
}

// Guards the use the messages make of it: a kept state goes on as if the beginning were fed
// again, and reading a result does not end the state.
TEST(Md5Digest, AKeptStateContinuesLikeTheWholeText)
{
    const QByteArray lead = "key+@CW>Version:2.05\nTarget:pxoeditor-11.0-en_us\nSender:x-1.0\n"
                            "Sender-ID:localhost:win42\nType:Scriptara\n";
    Md5Digest kept;
    kept.add(lead.constData(), 64);
    for (const QByteArray &tail : {QByteArray("Timestamp: 1\n"), QByteArray("Timestamp: 22\n")}) {
        Md5Digest continued = kept;
        continued.add(lead.constData() + 64, size_t(lead.size() - 64));
        continued.add(tail.constData(), size_t(tail.size()));
        const Md5Digest::Result first = continued.result();
        EXPECT_EQ(continued.result(), first);
        EXPECT_EQ(hexOf(first),
                  QCryptographicHash::hash(QByteArray(lead).append(tail), QCryptographicHash::Md5)
                      .toHex());
    }
    EXPECT_EQ(hexOf(Md5Digest().result()), QByteArray("d41d8cd98f00b204e9800998ecf8427e"));
}

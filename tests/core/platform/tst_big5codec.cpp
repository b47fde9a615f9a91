#include "core/platform/big5codec.h"

#include <QTest>

// The bytes the bank reads come from here.
class TstBig5Codec : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void encodes_data();
    void encodes();
    void decodesAndFindsCharacterStarts();
};

void TstBig5Codec::encodes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("complete");
    QTest::newRow("ASCII unchanged") << "AZ09 -" << QByteArray("AZ09 -") << true;
    // 王, the ideographic blank and the start of the user-defined area are in the bank file's references.
    QTest::newRow("user-defined area end") << QString(QChar(0xF848)) << QByteArray("\xC8\xFE") << true;
    QTest::newRow("unmappable becomes ?") << "A\u00E9B" << QByteArray("A?B") << false;
    QTest::newRow("emoji (two UTF-16 units) is one ?") << QString::fromUtf8("\xF0\x9F\x98\x80王") << QByteArray("?\xA4\xFD") << false;
    QTest::newRow("lone surrogate at the end") << QString("A") + QChar(0xD840) << QByteArray("A?") << false;
    QTest::newRow("empty") << "" << QByteArray() << true;
}

void TstBig5Codec::encodes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, complete);
    bool all = !complete;
    QCOMPARE(Big5::encode(text, &all), bytes);
    QCOMPARE(all, complete);
    QCOMPARE(Big5::canEncode(text), complete);
    QCOMPARE(Big5::byteLength(text), bytes.size());
}

void TstBig5Codec::decodesAndFindsCharacterStarts()
{
    // A long mixed text crosses the converter's buffer sizes.
    QString text;
    for (int i = 0; i < 500; ++i)
        text += QStringLiteral("臺北市中正區 No.%1 （股）").arg(i);
    QCOMPARE(Big5::decode(Big5::encode(text)), text);
    QCOMPARE(Big5::characterStarts(Big5::encode(QStringLiteral("A王B"))), (QList<bool>{true, true, false, true}));
}

QTEST_GUILESS_MAIN(TstBig5Codec)
#include "tst_big5codec.moc"

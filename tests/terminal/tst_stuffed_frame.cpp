#include "terminal/send_protocol.h"
#include "terminal/stuffed_frame.h"

#include <QByteArray>
#include <QTest>
#include <random>

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

std::vector<std::uint8_t> Bytes(const QByteArray& bytes) {
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

QByteArray Array(const std::vector<std::uint8_t>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

QByteArray Framed(const QByteArray& payload, int protocol) {
    std::vector<std::uint8_t> bytes = Bytes(payload);
    const std::size_t length = FrameForSendProtocol(bytes, protocol);
    if (length != bytes.size())
        return QByteArray("length mismatch");
    return Array(bytes);
}

} // namespace

class TestStuffedFrame : public QObject {
    Q_OBJECT

private slots:
    void stuffingMap_data();
    void stuffingMap();
    void fcs16();
    void frameForProtocol_data();
    void frameForProtocol();
    void protocolNames();
    void roundTrip_data();
    void roundTrip();
    void readStuffedByte_data();
    void readStuffedByte();
};

void TestStuffedFrame::stuffingMap_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<bool>("escaped");

    for (int b : {0x00, 0x03, 0x0D, 0x1F, 0x7D, 0x7E})
        QTest::addRow("%02X escaped", b) << b << true;
    for (int b : {0x20, 0x7C, 0x7F, 0x82, 0x84, 0xFF})
        QTest::addRow("%02X plain", b) << b << false;
}

void TestStuffedFrame::stuffingMap() {
    QFETCH(int, byte);
    QFETCH(bool, escaped);
    QCOMPARE(StuffingMap()(std::uint8_t(byte)), escaped);
}

void TestStuffedFrame::fcs16() {
    const auto& table = Fcs16Table();
    QCOMPARE(table[0x00], std::uint16_t(0x0000));
    QCOMPARE(table[0x01], std::uint16_t(0x1189));
    QCOMPARE(table[0x80], std::uint16_t(0x8408));
    QCOMPARE(table[0xFF], std::uint16_t(0x0F78));

    // The CRC-16/X-25 check value is the complemented FCS of "123456789".
    const QByteArray check("123456789");
    const auto* data = reinterpret_cast<const std::uint8_t*>(check.constData());
    QCOMPARE(std::uint16_t(Fcs16(data, 9) ^ 0xFFFF), std::uint16_t(0x906E));
    // Running on from an earlier value equals one pass over all bytes.
    QCOMPARE(Fcs16(data + 4, 5, Fcs16(data, 4)), Fcs16(data, 9));
    QCOMPARE(Fcs16(data, 0, 0x1234), std::uint16_t(0x1234));
}

void TestStuffedFrame::frameForProtocol_data() {
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("protocol");
    QTest::addColumn<QByteArray>("sent");

    const QByteArray hi("Hi");
    QTest::newRow("TCP Hi") << hi << int(kSendTcp) << Hex("7EFF7D23844869F9F37E");
    QTest::newRow("UDP Hi") << hi << int(kSendUdp) << Hex("7EFF7D2382C0A87D207D227D247D20 4869 8C96 7E");
    QTest::newRow("TCP payload escapes")
        << Hex("037D7E20") << int(kSendTcp) << Hex("7EFF7D2384 7D237D5D7D5E20 47AE 7E");
    QTest::newRow("TCP empty payload") << QByteArray() << int(kSendTcp) << Hex("7EFF7D2384 7D3784 7E");
    QTest::newRow("UDP empty payload")
        << QByteArray() << int(kSendUdp) << Hex("7EFF7D2382 C0A87D207D227D247D20 AC7D30 7E");
    // Payloads chosen so that a byte of the FCS needs escaping.
    QTest::newRow("FCS high 7E") << QByteArray("mu") << int(kSendTcp) << Hex("7EFF7D2384 6D75 7D5E95 7E");
    QTest::newRow("FCS high 7D") << QByteArray("ib") << int(kSendTcp) << Hex("7EFF7D2384 6962 7D5DCB 7E");
    QTest::newRow("FCS low 7E") << QByteArray("gv") << int(kSendTcp) << Hex("7EFF7D2384 6776 B17D5E 7E");
    QTest::newRow("FCS low 7D") << QByteArray("fl") << int(kSendTcp) << Hex("7EFF7D2384 666C 7D377D5D 7E");
    QTest::newRow("FCS both controls") << Hex("0081") << int(kSendTcp) << Hex("7EFF7D2384 7D2081 7D3A7D33 7E");
    QTest::newRow("Original unchanged") << Hex("037E") << int(kSendOriginal) << Hex("037E");
    QTest::newRow("WNMP unchanged") << Hex("037E") << int(kSendWnmp) << Hex("037E");
    QTest::newRow("no selection unchanged") << Hex("037E") << -1 << Hex("037E");
    QTest::newRow("unknown index unchanged") << Hex("037E") << 4 << Hex("037E");
    QTest::newRow("empty Original") << QByteArray() << int(kSendOriginal) << QByteArray();
}

void TestStuffedFrame::frameForProtocol() {
    QFETCH(QByteArray, payload);
    QFETCH(int, protocol);
    QFETCH(QByteArray, sent);
    QCOMPARE(Framed(payload, protocol).toHex(' '), sent.toHex(' '));
}

void TestStuffedFrame::protocolNames() {
    const auto& names = SendProtocolNames();
    QCOMPARE(QStringList({names[kSendOriginal], names[kSendTcp], names[kSendWnmp], names[kSendUdp]}),
             QStringList({"Original", "TCP", "WNMP", "UDP"}));
}

void TestStuffedFrame::roundTrip_data() {
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("frameType");

    QByteArray all(256, Qt::Uninitialized);
    for (int i = 0; i < 256; ++i)
        all[i] = char(i);
    std::mt19937 random(1662);
    QByteArray noise(3000, Qt::Uninitialized);
    for (auto& b : noise)
        b = char(random());

    QTest::newRow("empty") << QByteArray() << int(kFrameTypeTcp);
    QTest::newRow("every byte value") << all << int(kFrameTypeTcp);
    QTest::newRow("flags and escapes only") << QByteArray(500, '\x7E') + QByteArray(500, '\x7D') << int(kFrameTypeUdp);
    QTest::newRow("random") << noise << int(kFrameTypeUdp);
}

// Unstuffing a frame gives back FF 03, the type, the payload and a matching FCS, and no flag or
// control byte travels unescaped inside it.
void TestStuffedFrame::roundTrip() {
    QFETCH(QByteArray, payload);
    QFETCH(int, frameType);

    std::vector<std::uint8_t> frame = Bytes(payload);
    BuildStuffedFrame(frame, std::uint8_t(frameType));

    QVERIFY(frame.size() >= 2);
    QCOMPARE(frame.front(), std::uint8_t(0x7E));
    QCOMPARE(frame.back(), std::uint8_t(0x7E));
    const StuffingMap map;
    const std::size_t end = frame.size() - 1;
    std::vector<std::uint8_t> body;
    for (std::size_t pos = 1; pos < end;) {
        if (frame[pos] != 0x7D)
            QVERIFY2(!map(frame[pos]), qPrintable(QString::number(pos)));
        std::uint8_t b = 0;
        QVERIFY(ReadStuffedByte(frame.data(), pos, end, b));
        body.push_back(b);
    }

    QCOMPARE(body.size(), std::size_t(payload.size()) + 5);
    QCOMPARE(body[0], std::uint8_t(0xFF));
    QCOMPARE(body[1], std::uint8_t(0x03));
    QCOMPARE(body[2], std::uint8_t(frameType));
    QCOMPARE(Array(std::vector<std::uint8_t>(body.begin() + 3, body.end() - 2)), payload);
    const std::uint16_t fcs = Fcs16(body.data(), body.size() - 2);
    QCOMPARE(body[body.size() - 2], std::uint8_t(fcs >> 8));
    QCOMPARE(body[body.size() - 1], std::uint8_t(fcs & 0xFF));
}

void TestStuffedFrame::readStuffedByte_data() {
    QTest::addColumn<QByteArray>("capture");
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("pos");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("newPos");

    QTest::newRow("plain") << Hex("41") << 1 << 0 << true << 0x41 << 1;
    QTest::newRow("escaped flag") << Hex("7D5E") << 2 << 0 << true << 0x7E << 2;
    QTest::newRow("escaped zero") << Hex("007D20") << 3 << 1 << true << 0x00 << 3;
    QTest::newRow("escaped escape byte") << Hex("7D7D") << 2 << 0 << true << 0x5D << 2;
    QTest::newRow("flag is read as a byte") << Hex("7E") << 1 << 0 << true << 0x7E << 1;
    QTest::newRow("escape in the last place") << Hex("417D") << 2 << 1 << false << 0 << 1;
    QTest::newRow("escape cut by n") << Hex("7D5E") << 1 << 0 << false << 0 << 0;
    QTest::newRow("at n") << Hex("4142") << 2 << 2 << false << 0 << 2;
    QTest::newRow("past n") << Hex("4142") << 1 << 5 << false << 0 << 5;
    QTest::newRow("nothing") << QByteArray() << 0 << 0 << false << 0 << 0;
}

void TestStuffedFrame::readStuffedByte() {
    QFETCH(QByteArray, capture);
    QFETCH(int, n);
    QFETCH(int, pos);
    QFETCH(bool, ok);
    QFETCH(int, byte);
    QFETCH(int, newPos);

    std::size_t position = std::size_t(pos);
    std::uint8_t out = 0;
    QCOMPARE(ReadStuffedByte(reinterpret_cast<const std::uint8_t*>(capture.constData()), position, std::size_t(n), out),
             ok);
    QCOMPARE(int(position), newPos);
    if (ok)
        QCOMPARE(int(out), byte);
}

QTEST_APPLESS_MAIN(TestStuffedFrame)
#include "tst_stuffed_frame.moc"

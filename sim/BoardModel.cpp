#include "BoardModel.h"

#include "Bytes.h"

#include <QDir>
#include <QSaveFile>

#include <cmath>

namespace sim {

namespace {

QByteArray patterned(int size, uint8_t seed)
{
    // Reserved bytes are never zero on a real board either; a pattern shows whether a copy
    // carried them unchanged.
    QByteArray a(size, '\0');
    for (int i = 0; i < size; ++i)
        a[i] = char((i * 37 + seed) & 0xFF);
    return a;
}

void putTimestamp(QByteArray& a, qsizetype at, const QDateTime& t)
{
    const QDate d = t.date();
    const QTime tm = t.time();
    a[at] = char(d.year() - 2000);
    a[at + 1] = char(d.month());
    a[at + 2] = char(d.day());
    a[at + 3] = char(tm.hour());
    a[at + 4] = char(tm.minute());
    a[at + 5] = char(tm.second());
}

void putTimeOfDay(QByteArray& a, qsizetype at, int hour, int minute)
{
    putTimestamp(a, at, QDateTime(QDate(2000, 1, 1), QTime(hour, minute)));
}

struct ConfigChoices
{
    uint32_t siteId;
    uint16_t codes[3];
    uint16_t gateControl;
    uint16_t optionBits;
    float batteryAlarm;
    uint16_t logInterval;
    uint8_t seed;
};

QByteArray configRecord(const ConfigChoices& c)
{
    QByteArray a = patterned(332, c.seed);
    putLe16(a, 2, 1);
    putLe32(a, 4, c.siteId);
    putLe16(a, 8, 30);
    putLe16(a, 10, 60);
    putLeF32(a, 12, 0.0f);
    putLe16(a, 18, 1);
    putLeF32(a, 20, 0.5f);
    putLeF32(a, 24, 2.0f);
    putLe16(a, 28, 0);
    putLeF32(a, 30, 5.0f);
    putLeF32(a, 34, 2.0f);
    putLe16(a, 38, 10);
    putLe16(a, 40, 5);
    putLe16(a, 42, 55);
    putLe16(a, 44, c.logInterval);
    putLe16(a, 46, 96);
    putLe16(a, 48, 300);
    putLe16(a, 50, 0);
    putLeF32(a, 52, 1.0f);
    putLe16(a, 56, 3);
    putLeF32(a, 58, 1.0f);
    putLe16(a, 62, 0);
    putLeF32(a, 64, 1.0f);
    putTimeOfDay(a, 70, 22, 0);
    putTimeOfDay(a, 80, 6, 30);
    putTimestamp(a, 90, QDateTime(QDate(2026, 6, 30), QTime(0, 0)));
    for (int i = 0; i < 3; ++i)
        putLe16(a, 106 + 2 * i, c.codes[i]);
    for (int i = 0; i < 4; ++i) {
        putLe16(a, 112 + 12 * i, i < 2 ? 1 : 0);
        putLe16(a, 112 + 12 * i + 2, uint16_t(i < 2 ? i + 1 : 0));
    }
    for (int i = 0; i < 2; ++i) {
        const qsizetype o = 160 + 20 * i;
        putLe16(a, o, i == 0 ? 1 : 0);
        putLe16(a, o + 2, 1);
        putLeF32(a, o + 4, 5.0f);
        putLeF32(a, o + 8, 0.0f);
        putLeF32(a, o + 12, 120.0f);
        putLeF32(a, o + 16, 3.6f);
    }
    for (int i = 0; i < 4; ++i) {
        const qsizetype o = 200 + 10 * i;
        putLe16(a, o, uint16_t(i == 0 ? 2 : 0));
        putLe16(a, o + 2, 1000);
        putLe16(a, o + 4, 3);
        putLe16(a, o + 6, 10);
        putLe16(a, o + 8, 50);
    }
    putLe16(a, 240, 1);
    putLe16(a, 244, 0);
    putLe16(a, 248, 12);
    putLe16(a, 250, 10);
    putLe16(a, 252, 60);
    putTimeOfDay(a, 254, 8, 0);
    putTimeOfDay(a, 264, 17, 0);
    putLe16(a, 274, 60);
    putLe16(a, 276, 1);
    putLe16(a, 278, c.gateControl);
    putLe16(a, 280, c.optionBits);
    putLeF32(a, 282, c.batteryAlarm);
    return a;
}

struct CalChoices
{
    uint32_t meterId;
    uint16_t diameter;
    float factors[4];
    float zero;
    QDateTime calibrated;
    uint8_t seed;
};

QByteArray calRecord(const CalChoices& c)
{
    QByteArray a = patterned(158, c.seed);
    putLe32(a, 2, c.meterId);
    putLeF32(a, 6, 150.0f);
    putLe16(a, 10, 0);
    putLe16(a, 12, 0);
    putLe16(a, 14, 200);
    putLe16(a, 16, 3);
    putLe16(a, 18, c.diameter);
    for (int i = 0; i < 3; ++i)
        putLeF32(a, 20 + 4 * i, float(i + 1));
    for (int i = 0; i < 4; ++i)
        putLeF32(a, 32 + 4 * i, c.factors[i]);
    putLeF32(a, 48, c.zero);
    putLeF32(a, 52, 0.0f);
    putLeF32(a, 56, 0.0f);
    putLeF32(a, 60, 998.2f);
    putLeF32(a, 64, 6.25f);
    putLeF32(a, 68, 16.0f);
    putLeF32(a, 72, 16.0f);
    putLeF32(a, 76, 4.0f);
    putLeF32(a, 80, 4.0f);
    putTimestamp(a, 84, c.calibrated);
    putTimestamp(a, 94, c.calibrated.addDays(365));
    return a;
}

QByteArray basicCalRecord(float scale, uint8_t seed)
{
    QByteArray a = patterned(222, seed);
    for (int i = 0; i < 3; ++i) {
        const qsizetype o = 10 + 24 * i;
        putLe16(a, o, uint16_t(i + 1));
        a[o + 2] = char(i);
        a[o + 3] = char(i + 3);
        for (int k = 0; k < 5; ++k)
            putLeF32(a, o + 4 + 4 * k, scale * float(k) / 10.0f);
    }
    for (int i = 0; i < 14; ++i)
        putLeF32(a, 82 + 4 * i, (i % 2) ? scale : 0.01f * float(i));
    putLeF32(a, 168, 10.8f);
    putLeF32(a, 172, 11.0f);
    return a;
}

BoardLog flowLog(uint8_t id, const QString& name, const QDateTime& end, int entries, double base)
{
    BoardLog log;
    log.id = id;
    log.name = name;
    for (int i = entries - 1; i >= 0; --i) {
        const QDateTime at = end.addSecs(-900LL * i);
        const double flow = base + 3.0 * std::sin(i / 5.0);
        const QByteArray line = at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toLatin1() + "," +
                                QByteArray::number(flow, 'f', 3) + "," +
                                QByteArray::number(flow * 0.9, 'f', 3) + ",12.61\r\n";
        log.entries.append({at, line});
    }
    return log;
}

BoardModel common(uint8_t seed)
{
    BoardModel m;
    for (int id : {2, 3, 7})
        m.structures[size_t(id)] = patterned(BoardModel::kStructureSizes[size_t(id)], uint8_t(seed + id));
    m.structures[0] = patterned(351, seed);
    m.structures[1] = patterned(928, uint8_t(seed + 1));
    m.optionCards = {6, 0, 31};
    return m;
}

void fillTrailingZeros(QString& s)
{
    while (s.size() < 4)
        s.prepend(QLatin1Char('0'));
    s.truncate(4);
}

} // namespace

QByteArray BoardLog::content() const
{
    QByteArray out;
    for (const auto& e : entries)
        out += e.line;
    return out;
}

QByteArray BoardLog::between(const QDateTime& first, const QDateTime& last) const
{
    QByteArray out;
    for (const auto& e : entries)
        if (e.at >= first && e.at <= last)
            out += e.line;
    return out;
}

QByteArray BoardLog::index() const
{
    QByteArray out;
    qsizetype offset = 0;
    for (int i = 0; i < entries.size(); ++i) {
        if (i % 8 == 0)
            out += entries[i].at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toLatin1() + "," +
                   QByteArray::number(offset) + "\r\n";
        offset += entries[i].line.size();
    }
    return out;
}

BoardModel BoardModel::existing()
{
    BoardModel m = common(0x11);
    m.esn = {0x3C, 0x1F, 0x00, 0x51, 0x07, 0x21};
    m.structures[kConfig] = configRecord({40217, {0x1A2B, 0x2C3D, 0x3E4F}, 0, 0x0001, 10.5f, 900, 0x21});
    m.structures[kCal] = calRecord({40123456,
                                    300,
                                    {1.0021f, 0.9987f, 1.0004f, 1.0135f},
                                    0.0042f,
                                    QDateTime(QDate(2019, 3, 14), QTime(10, 20, 30)),
                                    0x31});
    m.structures[kBasicCal] = basicCalRecord(1.0137f, 0x41);
    m.totals = {1234567.875f, 2345.5f, 1232222.375f, 812345.25f, 422222.625f,
                1500.25f,     845.25f, 98765.5f,     120.75f,    98644.75f};
    m.live = {0.842f, 59.51f, 59.4f, 0.2f,  12.61f, 18.2f, 23.5f,  45.2f, 9.1f,
              1.84f,  412,    0.1f,  false, true,   true,  0x0200, 127,   0x0001};
    m.resets = 17;
    m.poweredUpAt = QDateTime::currentDateTime().addSecs(-(412LL * 86400 + 7 * 3600));
    m.clockOffsetSecs = 37;
    const QDateTime end = QDateTime(QDateTime::currentDateTime().date(), QTime(0, 0));
    m.logs = {flowLog(0, QStringLiteral("FLOWLOG.CSV"), end, 60, 59.5),
              flowLog(1, QStringLiteral("DIAGLOG.CSV"), end, 24, 12.6)};
    return m;
}

BoardModel BoardModel::replacement()
{
    BoardModel m = common(0x5A);
    m.esn = {0x88, 0x02, 0x00, 0x61, 0x09, 0x21};
    m.structures[kConfig] = configRecord({0, {0x0001, 0x0002, 0x0003}, 1, 0x0002, 11.2f, 300, 0x77});
    m.structures[kCal] = calRecord(
        {99000001, 100, {1.0f, 1.0f, 1.0f, 1.0f}, 0.0f, QDateTime(QDate(2026, 11, 2), QTime(8, 0, 0)), 0x87});
    m.structures[kBasicCal] = basicCalRecord(0.9962f, 0x97);
    m.live = {0.0f,  0.0f, 0.0f, 0.2f,  13.05f, 0.0f, 21.0f, 44.8f, 9.0f,
              0.02f, 0,    0.0f, false, true,   true, 0,     127,   0};
    m.resets = 2;
    m.poweredUpAt = QDateTime::currentDateTime().addSecs(-3600);
    m.clockOffsetSecs = -3;
    return m;
}

QDateTime BoardModel::boardClock() const
{
    return QDateTime::currentDateTime().addSecs(clockOffsetSecs);
}

void BoardModel::setBoardClock(const QDateTime& at)
{
    clockOffsetSecs = QDateTime::currentDateTime().secsTo(at);
}

QByteArray BoardModel::structure(int id) const
{
    if (id < 0 || id > 7)
        return {};
    QByteArray a = structures[size_t(id)];
    a.resize(kStructureSizes[size_t(id)], '\0');
    if (id == 0) {
        putLe16(a, 0, resets);
        putTimestamp(a, 2, boardClock());
        putLeF32(a, 12, live.velocity);
        putLeF32(a, 16, live.flowRate);
        putLeF32(a, 20, live.massFlow);
        putLeF32(a, 68, live.coilCurrent);
        putLeF32(a, 72, live.batteryVolts);
        putLeF32(a, 80, live.solarVolts);
        putLeF32(a, 84, live.temperature);
        putLeF32(a, 88, live.coilResistance);
        putLeF32(a, 96, live.coilVoltage);
        putLeF32(a, 236, live.flowVoltage);
        putLe16(a, 274, live.gatePosition);
        putLeF32(a, 276, live.gateClosedFlow);
        a[280] = char(live.gateClosed ? 0 : 1);
        a[281] = char((live.pipeFull ? 0 : 0x01) | (live.ecOk ? 0 : 0x10));
        putLe16(a, 282, live.systemFaults);
        putLe16(a, 285, live.alarms);
    } else if (id == 1) {
        for (int i = 0; i < 6; ++i)
            a[i] = char(esn[size_t(i)]);
        putTimestamp(a, 78, poweredUpAt.addSecs(clockOffsetSecs));
        for (int i = 0; i < 3; ++i)
            putLe16(a, 96 + 2 * i, uint16_t(optionCards[size_t(i)]));
        putLe16(a, 117, live.selfTest);
        putLe16(a, 126, simulationMode);
        QString fw = firmware;
        fillTrailingZeros(fw);
        // The information record keeps the characters in the reverse of the register order.
        for (int i = 0; i < 4; ++i)
            a[130 + i] = fw.at(3 - i).toLatin1();
    }
    return a;
}

bool BoardModel::putStructure(int id, const QByteArray& bytes)
{
    if (id != kCal && id != kConfig && id != kBasicCal)
        return false;
    if (bytes.size() != kStructureSizes[size_t(id)])
        return false;
    structures[size_t(id)] = bytes;
    structureWrites.append({uint8_t(id), bytes, accessLevel, state});
    return true;
}

std::optional<uint16_t> BoardModel::holdingRegister(uint16_t reg) const
{
    const auto hiLo = [](float f, bool high) {
        const uint32_t bits = floatBits(f);
        return uint16_t(high ? bits >> 16 : bits & 0xFFFF);
    };
    const auto floatPair = [&](uint16_t first, float f) -> std::optional<uint16_t> {
        return hiLo(f, reg == first);
    };
    if (reg >= 116 && reg <= 155) {
        const int k = (reg - 116) / 4;
        const int part = (reg - 116) % 4;
        const float v = totals[size_t(k)];
        if (part < 2)
            return hiLo(v, part == 0);
        // The second pair of each group: the whole units as an integer, which the PC ignores.
        const uint32_t whole = uint32_t(int64_t(std::trunc(double(v))));
        return uint16_t(part == 2 ? whole >> 16 : whole & 0xFFFF);
    }
    const QDateTime now = boardClock();
    const qint64 up = poweredUpAt.secsTo(QDateTime::currentDateTime());
    QString fw = firmware;
    fillTrailingZeros(fw);
    const auto ch = [&](int i) { return uint16_t(fw.at(i).toLatin1() & 0xFF); };
    switch (reg) {
    case 0:
        return resets;
    case 1:
        return uint16_t(up / 86400);
    case 2:
        return uint16_t((up % 86400) / 3600);
    case 54:
        return live.systemFaults;
    case 55:
        return live.selfTest;
    case 56:
        return uint16_t(esn[5] << 8 | esn[4]);
    case 57:
        return uint16_t(esn[3] << 8 | esn[2]);
    case 58:
        return uint16_t(esn[1] << 8 | esn[0]);
    case 61:
        return uint16_t((live.gateClosed ? 1 : 0) | (live.pipeFull ? 2 : 0) | (live.ecOk ? 4 : 0));
    case 62:
        return uint16_t(ch(0) << 8 | ch(1));
    case 63:
        return uint16_t(ch(2) << 8 | ch(3));
    case 64:
        return uint16_t(now.time().second() << 8 | now.time().minute());
    case 65:
        return uint16_t(now.time().hour() << 8 | now.date().day());
    case 66:
        return uint16_t(now.date().month() << 8 | ((now.date().year() - 2000) & 0xFF));
    case 86:
        return live.alarms;
    case 88:
        return accessLevel;
    case 90:
    case 91:
    case 92:
        return uint16_t(optionCards[size_t(reg - 90)]);
    case 100:
    case 101:
        return floatPair(100, live.velocity);
    case 104:
    case 105:
        return floatPair(104, live.flowRate);
    case 108:
    case 109:
        return floatPair(108, live.massFlow);
    case 156:
    case 157:
        return floatPair(156, live.coilCurrent * 10.0f);
    case 160:
    case 161:
        return floatPair(160, live.batteryVolts);
    case 168:
    case 169:
        return floatPair(168, live.solarVolts);
    case 172:
    case 173:
        return floatPair(172, live.temperature);
    case 176:
    case 177:
        return floatPair(176, live.coilResistance);
    case 184:
    case 185:
        return floatPair(184, live.coilVoltage);
    case 328:
    case 329:
        return floatPair(328, live.flowVoltage);
    case 3003:
        return simulationMode;
    default:
        return std::nullopt;
    }
}

bool BoardModel::writeRegister(uint16_t reg, uint16_t value)
{
    if (reg == 3003) {
        simulationMode = value;
        return true;
    }
    return false;
}

uint8_t BoardModel::levelForCode(uint16_t code) const
{
    const QByteArray config = structure(kConfig); // full size even when the area was never filled
    const auto cfg = bytesOf(config);
    for (int i = 0; i < 3; ++i)
        if (readLe16(cfg, size_t(106 + 2 * i)) == code)
            return uint8_t(i + 1);
    return 0;
}

void BoardModel::reboot()
{
    ++resets;
    poweredUpAt = QDateTime::currentDateTime();
    accessLevel = 0;
    state = 1;
}

const BoardLog* BoardModel::log(uint8_t id) const
{
    for (const auto& l : logs)
        if (l.id == id)
            return &l;
    return nullptr;
}

bool BoardModel::isPlainFileName(const QString& name)
{
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           name != QLatin1String(".") && name != QLatin1String("..") && !name.contains(QChar(0));
}

bool BoardModel::writeCardFile(const QString& name, const QByteArray& bytes) const
{
    if (sdCardDir.isEmpty() || !isPlainFileName(name))
        return false;
    QSaveFile file(QDir(sdCardDir).filePath(name));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool BoardModel::fillCard() const
{
    bool ok = !sdCardDir.isEmpty();
    for (const auto& l : logs)
        ok = ok && writeCardFile(l.name, l.content());
    return ok && writeCardFile(QStringLiteral("CONFIG.BIN"), structure(kConfig)) &&
           writeCardFile(QStringLiteral("CALIB.BIN"), structure(kCal));
}

int BoardModel::count(uint8_t command) const
{
    return int(commandsSeen.count(command));
}

} // namespace sim

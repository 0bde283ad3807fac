// q7-board-sim: a simulated Q7 board on a pseudo-terminal, for the demo, training and
// manual tests. The first line of standard output is the device path to open.

#include "SimulatedBoard.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char b = 1;
    [[maybe_unused]] auto n = ::write(g_signalPipe[1], &b, 1);
}

[[noreturn]] void usage(const QString& message)
{
    std::fprintf(stderr, "q7-board-sim: %s\n", qPrintable(message));
    std::exit(2);
}

int number(const QString& text, const QString& option)
{
    bool ok = false;
    const int v = text.toInt(&ok, 0);
    if (!ok)
        usage(QStringLiteral("--%1 wants a number, not \"%2\"").arg(option, text));
    return v;
}

QSet<int> numbers(const QString& text, const QString& option)
{
    QSet<int> out;
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out.insert(number(part.trimmed(), option));
    return out;
}

// The frame's content as the board reads it: Kalder unstuffed, ASCII from its hex digits.
QByteArray decoded(const sim::WireRecord& r)
{
    switch (r.framing) {
    case sim::Request::Framing::Kalder: {
        QByteArray out;
        const QByteArray inner = r.bytes.mid(2, r.bytes.size() - 4);
        for (qsizetype i = 0; i < inner.size(); ++i) {
            out.append(inner[i]);
            if (uint8_t(inner[i]) == 0x10 && i + 1 < inner.size() && uint8_t(inner[i + 1]) == 0x90)
                ++i;
        }
        return out;
    }
    case sim::Request::Framing::Ascii:
        return QByteArray::fromHex(r.bytes.mid(1, r.bytes.size() - 3));
    case sim::Request::Framing::Rtu:
        return r.bytes;
    }
    return r.bytes;
}

// Access codes never reach a screen or a log: any byte pair that reads as one of them, in
// either byte order, is masked (a harmless false match now and then is the price).
QString maskedHex(const QByteArray& bytes, const QSet<uint16_t>& secrets)
{
    QStringList out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i + 1 < bytes.size()) {
            const uint8_t a = uint8_t(bytes[i]);
            const uint8_t b = uint8_t(bytes[i + 1]);
            if (secrets.contains(uint16_t(a | b << 8)) || secrets.contains(uint16_t(a << 8 | b))) {
                out << QStringLiteral("**") << QStringLiteral("**");
                ++i;
                continue;
            }
        }
        out << QStringLiteral("%1").arg(uint8_t(bytes[i]), 2, 16, QLatin1Char('0'));
    }
    return out.join(QLatin1Char(' '));
}

QString frameText(const sim::WireRecord& r, const QSet<uint16_t>& secrets)
{
    static const char* const framings[] = {"kalder", "ascii", "rtu"};
    const char* dir = r.direction == sim::WireRecord::Direction::ToBoard ? "PC>" : "<Q7";
    if (r.ignored)
        return QStringLiteral("%1 %2 %3 bytes while rebooting")
            .arg(r.atMs, 8)
            .arg(QLatin1String(dir))
            .arg(r.bytes.size());
    QString flags;
    if (!r.checksumOk)
        flags += QStringLiteral(" [bad checksum]");
    if (r.dropped)
        flags += QStringLiteral(" [dropped]");
    return QStringLiteral("%1 %2 %3 %4%5")
        .arg(r.atMs, 8)
        .arg(QLatin1String(dir), QLatin1String(framings[int(r.framing)]), maskedHex(decoded(r), secrets),
             flags);
}

QSet<uint16_t> accessCodes(const QByteArray& config)
{
    QSet<uint16_t> codes;
    for (int at : {106, 108, 110})
        if (config.size() >= at + 2)
            codes.insert(uint16_t(uint8_t(config[at]) | uint8_t(config[at + 1]) << 8));
    return codes;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("q7-board-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "A simulated Q7 board behind a pseudo-terminal. Prints the device path on the first line "
        "and serves until interrupted."));
    parser.addHelpOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("profile"), QStringLiteral("Board profile: existing or replacement."),
         QStringLiteral("name"), QStringLiteral("existing")},
        {QStringLiteral("firmware"), QStringLiteral("Firmware text, up to four characters (0052, 0051)."),
         QStringLiteral("text")},
        {QStringLiteral("sd-card"),
         QStringLiteral("Folder that is the board's SD card; an existing board's empty card gets its logs."),
         QStringLiteral("dir")},
        {QStringLiteral("link"), QStringLiteral("Create a symbolic link to the device at this path."),
         QStringLiteral("path")},
        {QStringLiteral("pace"), QStringLiteral("Send at the speed of 9600 baud.")},
        {QStringLiteral("reboot-silence"), QStringLiteral("Milliseconds of silence after a reboot command."),
         QStringLiteral("ms")},
        {QStringLiteral("block-size"), QStringLiteral("Data bytes per file-transfer block."),
         QStringLiteral("n")},
        {QStringLiteral("plain-logs"),
         QStringLiteral("Stream logs in plain rather than windowed block mode.")},
        {QStringLiteral("empty-blocks"), QStringLiteral("Blocks without data that open every transfer."),
         QStringLiteral("n")},
        {QStringLiteral("silent"), QStringLiteral("Fault: answer nothing.")},
        {QStringLiteral("ignore"),
         QStringLiteral("Fault: hear these commands (e.g. 19,20) but answer nothing."),
         QStringLiteral("list")},
        {QStringLiteral("refuse"), QStringLiteral("Fault: refuse these commands (e.g. 67,99)."),
         QStringLiteral("list")},
        {QStringLiteral("echo"), QStringLiteral("Fault: every reply names this command."),
         QStringLiteral("cmd")},
        {QStringLiteral("corrupt-frames"),
         QStringLiteral("Fault: send these frames (numbered from 1) with a bad checksum."),
         QStringLiteral("list")},
        {QStringLiteral("drop-frames"), QStringLiteral("Fault: never send these frames."),
         QStringLiteral("list")},
        {QStringLiteral("fragment"),
         QStringLiteral("Fault: send replies in pieces of SIZE bytes, GAP ms apart."),
         QStringLiteral("size:gap")},
        {QStringLiteral("stall-after"), QStringLiteral("Fault: a file transfer stops after N blocks."),
         QStringLiteral("n")},
        {QStringLiteral("abort-after"), QStringLiteral("Fault: a file transfer fails (0x8D) after N blocks."),
         QStringLiteral("n")},
        {QStringLiteral("record-length-delta"),
         QStringLiteral("Fault: streamed records are this many bytes longer (negative: shorter)."),
         QStringLiteral("n")},
        {QStringLiteral("noise"), QStringLiteral("Fault: these bytes (hex) precede every frame."),
         QStringLiteral("hex")},
        {QStringLiteral("trace"), QStringLiteral("Print every frame on standard error.")},
    };
    parser.addOptions(options);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        usage(QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().first()));

    const QString profile = parser.value(QStringLiteral("profile"));
    sim::BoardModel model;
    if (profile == QLatin1String("existing"))
        model = sim::BoardModel::existing();
    else if (profile == QLatin1String("replacement"))
        model = sim::BoardModel::replacement();
    else
        usage(QStringLiteral("--profile is existing or replacement, not \"%1\"").arg(profile));

    if (parser.isSet(QStringLiteral("firmware"))) {
        const QString fw = parser.value(QStringLiteral("firmware"));
        if (fw.isEmpty() || fw.size() > 4 || fw.toLatin1().size() != fw.size())
            usage(QStringLiteral("--firmware wants one to four characters"));
        model.firmware = fw;
    }
    if (parser.isSet(QStringLiteral("reboot-silence")))
        model.rebootSilenceMs =
            number(parser.value(QStringLiteral("reboot-silence")), QStringLiteral("reboot-silence"));
    if (parser.isSet(QStringLiteral("block-size"))) {
        model.blockSize = number(parser.value(QStringLiteral("block-size")), QStringLiteral("block-size"));
        if (model.blockSize < 1 || model.blockSize > 390)
            usage(QStringLiteral("--block-size is 1 to 390"));
    }
    if (parser.isSet(QStringLiteral("plain-logs")))
        model.windowedLogs = false;
    if (parser.isSet(QStringLiteral("empty-blocks")))
        model.emptyBlocks =
            number(parser.value(QStringLiteral("empty-blocks")), QStringLiteral("empty-blocks"));

    if (parser.isSet(QStringLiteral("sd-card"))) {
        const QString dir = QDir(parser.value(QStringLiteral("sd-card"))).absolutePath();
        if (!QDir().mkpath(dir))
            usage(QStringLiteral("cannot use %1 as the SD card").arg(dir));
        model.sdCardDir = dir;
        const bool empty = QDir(dir).entryList({QStringLiteral("*.csv")}, QDir::Files).isEmpty();
        if (empty && profile == QLatin1String("existing") && !model.fillCard()) {
            std::fprintf(stderr, "q7-board-sim: cannot write the SD card in %s\n", qPrintable(dir));
            return 1;
        }
    }

    sim::BoardFaults faults;
    faults.silent = parser.isSet(QStringLiteral("silent"));
    faults.pace = parser.isSet(QStringLiteral("pace"));
    if (parser.isSet(QStringLiteral("ignore")))
        faults.ignore = numbers(parser.value(QStringLiteral("ignore")), QStringLiteral("ignore"));
    if (parser.isSet(QStringLiteral("refuse")))
        faults.refuse = numbers(parser.value(QStringLiteral("refuse")), QStringLiteral("refuse"));
    if (parser.isSet(QStringLiteral("echo")))
        faults.echoOverride = number(parser.value(QStringLiteral("echo")), QStringLiteral("echo")) & 0xFF;
    if (parser.isSet(QStringLiteral("corrupt-frames")))
        faults.corruptFrames =
            numbers(parser.value(QStringLiteral("corrupt-frames")), QStringLiteral("corrupt-frames"));
    if (parser.isSet(QStringLiteral("drop-frames")))
        faults.dropFrames =
            numbers(parser.value(QStringLiteral("drop-frames")), QStringLiteral("drop-frames"));
    if (parser.isSet(QStringLiteral("fragment"))) {
        const QStringList parts = parser.value(QStringLiteral("fragment")).split(QLatin1Char(':'));
        if (parts.size() != 2)
            usage(QStringLiteral("--fragment wants SIZE:GAP"));
        faults.fragmentSize = number(parts[0], QStringLiteral("fragment"));
        faults.fragmentGapMs = number(parts[1], QStringLiteral("fragment"));
    }
    if (parser.isSet(QStringLiteral("stall-after")))
        faults.stallAfterBlocks =
            number(parser.value(QStringLiteral("stall-after")), QStringLiteral("stall-after"));
    if (parser.isSet(QStringLiteral("abort-after")))
        faults.abortAfterBlocks =
            number(parser.value(QStringLiteral("abort-after")), QStringLiteral("abort-after"));
    if (parser.isSet(QStringLiteral("record-length-delta")))
        faults.recordLengthDelta = number(parser.value(QStringLiteral("record-length-delta")),
                                          QStringLiteral("record-length-delta"));
    if (parser.isSet(QStringLiteral("noise"))) {
        const QByteArray hex = parser.value(QStringLiteral("noise")).toLatin1();
        faults.noise = QByteArray::fromHex(hex);
        if (faults.noise.isEmpty() || faults.noise.toHex() != hex.toLower())
            usage(QStringLiteral("--noise wants hex bytes, e.g. FF00AA"));
    }

    sim::SimulatedBoard board(model);
    board.setFaults(faults);
    QString error;
    if (!board.start(&error)) {
        std::fprintf(stderr, "q7-board-sim: %s\n", qPrintable(error));
        return 1;
    }
    if (parser.isSet(QStringLiteral("link")) &&
        !board.createLink(parser.value(QStringLiteral("link")), &error)) {
        std::fprintf(stderr, "q7-board-sim: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s\n", qPrintable(board.devicePath()));
    std::fflush(stdout);

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        std::perror("q7-board-sim: socketpair");
        return 1;
    }
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    QSocketNotifier stopper(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stopper, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });

    // The log is drained as it grows so a board left running for days stays small.
    const bool tracing = parser.isSet(QStringLiteral("trace"));
    QTimer drain;
    QSet<uint16_t> secrets = accessCodes(model.structure(sim::BoardModel::kConfig));
    QObject::connect(&drain, &QTimer::timeout, &app, [&] {
        const auto records = board.takeWireLog();
        if (!tracing)
            return;
        // Codes the board holds now or was ever given stay masked, old frames included.
        const sim::BoardModel now = board.model();
        secrets.unite(accessCodes(now.structure(sim::BoardModel::kConfig)));
        for (const auto& w : now.structureWrites)
            if (w.id == sim::BoardModel::kConfig)
                secrets.unite(accessCodes(w.bytes));
        for (const auto& r : records)
            std::fprintf(stderr, "%s\n", qPrintable(frameText(r, secrets)));
        std::fflush(stderr);
    });
    drain.start(100);

    const int rc = app.exec();
    board.stop();
    if (parser.isSet(QStringLiteral("link"))) {
        const QFileInfo link(parser.value(QStringLiteral("link")));
        if (link.isSymLink() && link.symLinkTarget() == board.devicePath())
            QFile::remove(link.filePath());
    }
    return rc;
}

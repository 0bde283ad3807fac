// Commands that talk to a board over the device link: q7ctl --port DEV COMMAND, or --detect.
#include "BoardDetector.h"
#include "Ports.h"
#include "Clock.h"
#include "ConfigRecord.h"
#include "ConsoleOperator.h"
#include "CtlCommand.h"
#include "WholeFile.h"
#include "Q7Port.h"
#include "Q7Protocol.h"
#include "TVaComm.h"

#include <QFile>

#include <bit>
#include <memory>
#include <optional>

using namespace q7ctl;

QString q7ctl::openFailure(const QString& name, const Q7Port& link)
{
    const QString reason = link.openError();
    return QStringLiteral("cannot open port ") + name + (reason.isEmpty() ? QString() : ": " + reason);
}

namespace {

constexpr int kRebootWaitMs = 90'000;

// The link a command runs on, opened on --port DEV or on the port --detect found.
struct Session
{
    explicit Session(Io& io) : op(io.err) {}
    SystemClock clock;
    ConsoleOperator op;
    std::unique_ptr<Q7Port> port;
};

std::optional<int> open(Session& s, Args& args, Io& io)
{
    const auto portName = args.option("--port");
    const bool detect = args.flag("--detect");
    // Devices detection also tries, after the platform's ports (a simulator's pseudo-terminal).
    const QStringList extra = args.options("--extra");
    if (auto unknown = args.unknownOption())
        return fail(io, "unknown option " + *unknown, Usage);
    QString name;
    if (portName) {
        name = *portName;
    } else if (detect) {
        const SerialPorts ports(extra);
        BoardDetector detector(s.clock, s.op, ports);
        if (!detector.detectBoard(nullptr, name))
            return Failed; // the detector has said why
    } else {
        return fail(io, "give --port DEV or --detect", Usage);
    }
    s.port = std::make_unique<Q7Port>(s.clock);
    s.port->setOperator(&s.op);
    // Of the link's reports only the device going away is news to a shell user: the command's
    // own failure line follows it.
    s.port->OnPortDebugEvent = [&io](Q7Port& port, const QString& text) {
        if (port.linkLost())
            io.err << "q7ctl: " << text << Qt::endl;
    };
    if (!s.port->OpenPort(name, 9600))
        return fail(io, openFailure(name, *s.port));
    return std::nullopt;
}

std::optional<long> number(const QString& word, long min, long max)
{
    bool ok = false;
    const long v = word.toLong(&ok, 0);
    if (!ok || v < min || v > max)
        return std::nullopt;
    return v;
}

QString hex(const std::uint8_t* bytes, int n)
{
    return QByteArray(reinterpret_cast<const char*>(bytes), n).toHex(' ').toUpper();
}

// A hex dump of a structure; the configuration record's access codes never leave the program.
QString dump(const std::vector<std::uint8_t>& bytes, bool maskAccessCodes)
{
    QString out;
    for (std::size_t row = 0; row < bytes.size(); row += 16) {
        out += QStringLiteral("%1 ").arg(row, 4, 16, QLatin1Char('0'));
        for (std::size_t i = row; i < std::min(bytes.size(), row + 16); ++i) {
            const bool secret = maskAccessCodes && ConfigRecord::isAccessCodeByte(i);
            out +=
                secret ? QStringLiteral(" **") : QStringLiteral(" %1").arg(bytes[i], 2, 16, QLatin1Char('0'));
        }
        out += '\n';
    }
    return out;
}

// Runs one board operation with the serial layer's errors turned into a failure line.
template <typename Body> int run(Args& args, Io& io, std::size_t positional, Body body)
{
    Session s(io);
    if (auto status = open(s, args, io))
        return *status;
    if (static_cast<std::size_t>(args.positional().size()) != positional)
        return fail(io, "wrong number of arguments", Usage);
    try {
        return body(s, *s.port);
    } catch (const TVaCommError& e) {
        return fail(io, e.text());
    }
}

int ping(Args& args, Io& io)
{
    return run(args, io, 0, [&](Session&, Q7Port& port) {
        if (!port.sendNullCommand())
            return fail(io, "no reply to the null command");
        io.out << "ok" << Qt::endl;
        return int(Ok);
    });
}

int regs(Args& args, Io& io)
{
    const bool rtu = args.flag("--rtu");
    const bool embedded = args.flag("--embedded");
    return run(args, io, 2, [&](Session&, Q7Port& port) {
        const auto start = number(args.positional()[0], 0, 0xFFFF);
        const auto count = number(args.positional()[1], 1, 125);
        if (!start || !count || (rtu && embedded))
            return fail(io, "usage: regs START COUNT [--rtu|--embedded]", Usage);
        Q7Port::RequestBuffer buffer{};
        std::uint16_t length = 0;
        const auto s = static_cast<std::uint16_t>(*start);
        const auto c = static_cast<std::uint16_t>(*count);
        bool ok = false;
        if (embedded)
            ok = port.sendEmbeddedFrame(1, 3, s, c, buffer, length, 3);
        else if (rtu)
            ok = port.readRegistersRTU(s, c, buffer, length, 3);
        else
            ok = port.readRegisters(s, c, buffer, length, 3);
        if (!ok)
            return length == 1
                       ? fail(io, QStringLiteral("the board answered with exception %1").arg(buffer[0]))
                       : fail(io, "no reply to the register read");
        io.out << hex(buffer.data(), length) << Qt::endl;
        return int(Ok);
    });
}

int typed(Args& args, Io& io, const char* kind)
{
    return run(args, io, 1, [&](Session&, Q7Port& port) {
        const auto reg = number(args.positional()[0], 0, 0xFFFF);
        if (!reg)
            return fail(io, "REG must be a register number", Usage);
        const auto r = static_cast<std::uint16_t>(*reg);
        const QString what = QString::fromLatin1(kind);
        bool ok = false;
        QString text;
        if (what == "u16") {
            std::uint16_t v = 0;
            ok = port.readUI16Register(r, &v);
            text = QString::number(v);
        } else if (what == "u32") {
            unsigned long v = 0;
            ok = port.readUI32Register(r, &v);
            text = QString::number(v);
        } else if (what == "f32") {
            float v = 0;
            ok = port.readF32Register(r, &v);
            text = QString::number(v, 'g', 9);
        } else {
            Q7Data::TDateTime v;
            ok = port.readTimeStampRegister(r, &v);
            text = v.toDateTime().toString(Qt::ISODate);
        }
        if (!ok)
            return fail(io, "register " + QString::number(r) + " could not be read");
        io.out << text << Qt::endl;
        return int(Ok);
    });
}

int u16(Args& a, Io& io)
{
    return typed(a, io, "u16");
}
int u32(Args& a, Io& io)
{
    return typed(a, io, "u32");
}
int f32(Args& a, Io& io)
{
    return typed(a, io, "f32");
}
int time(Args& a, Io& io)
{
    return typed(a, io, "time");
}

int totals(Args& args, Io& io)
{
    return run(args, io, 0, [&](Session&, Q7Port& port) {
        Q7Data::Totalisers t;
        if (!port.readTotals(&t))
            return fail(io, "the totals could not be read");
        static const char* const kNames[] = {"ForwardTotal",        "ReverseTotal",        "NettTotal",
                                             "PeakForwardTotal",    "OffPeakForwardTotal", "PeakReverseTotal",
                                             "OffPeakReverseTotal", "ForwardYTDTotal",     "ReverseYTDTotal",
                                             "NettYTDTotal"};
        const auto values = t.values();
        for (std::size_t k = 0; k < values.size(); ++k)
            io.out << kNames[k] << ' ' << QString::number(values[k], 'f', 3) << '\n';
        io.out.flush();
        return int(Ok);
    });
}

int structure(Args& args, Io& io)
{
    const auto out = args.option("--out");
    return run(args, io, 1, [&](Session&, Q7Port& port) {
        const auto id = number(args.positional()[0], 0, 7);
        if (!id)
            return fail(io, "ID must be 0 to 7", Usage);
        if (!port.getStucture(static_cast<std::uint8_t>(*id)))
            return fail(io, "structure " + QString::number(*id) + " could not be read");
        const auto& bytes = port.structures[static_cast<std::size_t>(*id)];
        if (out) {
            const WholeFileResult written = writeWholeFile(
                *out, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
            if (!written.ok)
                return fail(io, "cannot write " + *out + ": " + written.error);
            return int(Ok);
        }
        io.out << dump(bytes, *id == Structures::wireId(StructureId::Config));
        io.out.flush();
        return int(Ok);
    });
}

int putStructure(Args& args, Io& io)
{
    return run(args, io, 2, [&](Session&, Q7Port& port) {
        const auto id = number(args.positional()[0], 0, Structures::kCount - 1);
        if (!id || !Structures::isWritable(static_cast<StructureId>(*id)))
            return fail(io, "only structures 4, 5 and 6 can be written", Usage);
        QFile file(args.positional()[1]);
        if (!file.open(QIODevice::ReadOnly))
            return fail(io, "cannot read " + args.positional()[1]);
        const QByteArray bytes = file.readAll();
        auto& area = port.structures[static_cast<std::size_t>(*id)];
        if (bytes.size() != qsizetype(area.size()))
            return fail(io, QStringLiteral("%1 holds %2 bytes; structure %3 has %4")
                                .arg(file.fileName())
                                .arg(bytes.size())
                                .arg(*id)
                                .arg(area.size()));
        std::copy(bytes.begin(), bytes.end(), area.begin());
        if (!port.putStucture(static_cast<std::uint8_t>(*id)))
            return fail(io, "the board did not take structure " + QString::number(*id));
        return int(Ok);
    });
}

int fetch(Args& args, Io& io)
{
    return run(args, io, 2, [&](Session&, Q7Port& port) {
        const QString what = args.positional()[0];
        const QString path = args.positional()[1];
        bool ok = false;
        if (what == "config")
            ok = port.getConfigFile(path);
        else if (what == "cal")
            ok = port.getCalFile(path);
        else if (what == "basiccal")
            ok = port.getBasicCalFile(path);
        else
            return fail(io, "fetch config|cal|basiccal FILE", Usage);
        if (!ok)
            return fail(io, "the " + what + " record could not be fetched whole");
        return int(Ok);
    });
}

int log(Args& args, Io& io)
{
    const bool windowed = args.flag("--windowed");
    return run(args, io, 2, [&](Session&, Q7Port& port) {
        const QByteArray name = args.positional()[0].toLatin1();
        if (!port.getLogFile(name, args.positional()[1], windowed))
            return fail(io, "log " + args.positional()[0] + " could not be fetched whole");
        return int(Ok);
    });
}

int setTime(Args& args, Io& io)
{
    return run(args, io, 1, [&](Session& s, Q7Port& port) {
        const QString word = args.positional()[0];
        const bool now = word == "now";
        QDateTime at = now ? s.clock.currentDateTime() : QDateTime::fromString(word, Qt::ISODate);
        if (!at.isValid() || at.date().year() < 2000 || at.date().year() > 2199)
            return fail(io, "set-time now|YYYY-MM-DDTHH:MM:SS", Usage);
        if (!port.setDateTime(Q7Data::TDateTime::fromDateTime(at), now))
            return fail(io, "the board clock was not set");
        return int(Ok);
    });
}

template <bool (Q7Port::*Op)(std::uint8_t)> int byteCommand(Args& args, Io& io, const char* what)
{
    return run(args, io, 1, [&](Session&, Q7Port& port) {
        const auto v = number(args.positional()[0], 0, 255);
        if (!v)
            return fail(io, QStringLiteral("%1 must be 0 to 255").arg(QLatin1String(what)), Usage);
        if (!(port.*Op)(static_cast<std::uint8_t>(*v)))
            return fail(io, QStringLiteral("%1 %2 was not accepted").arg(QLatin1String(what)).arg(*v));
        return int(Ok);
    });
}

int access(Args& a, Io& io)
{
    return byteCommand<&Q7Port::setAccessLevel>(a, io, "access level");
}
int state(Args& a, Io& io)
{
    return byteCommand<&Q7Port::setState>(a, io, "state");
}
int command(Args& a, Io& io)
{
    return byteCommand<&Q7Port::sendSimpleCommand>(a, io, "command");
}

int reboot(Args& args, Io& io)
{
    return run(args, io, 0, [&](Session& s, Q7Port& port) {
        if (!port.sendSimpleCommand(Q7Protocol::Command::kReboot))
            return fail(io, "the board did not accept the reboot");
        // The board is silent while it restarts; it is back when it answers the null command.
        const std::int64_t deadline = s.clock.msecs() + kRebootWaitMs;
        port.DelaySeconds(1);
        while (!port.sendNullCommand())
            if (s.clock.msecs() >= deadline)
                return fail(io, "the board did not come back after the reboot");
        io.out << "ok" << Qt::endl;
        return int(Ok);
    });
}

int listPorts(Args& args, Io& io)
{
    const QStringList extra = args.options("--extra");
    if (!args.positional().isEmpty() || args.unknownOption())
        return fail(io, "list-ports [--extra DEV]...", Usage);
    for (const QString& name : SerialPorts(extra).availablePorts())
        io.out << name << '\n';
    io.out.flush();
    return Ok;
}

const Register r1{{"ping", "--port DEV|--detect [--extra DEV]", &ping}};
const Register r2{{"regs", "--port DEV|--detect [--extra DEV] START COUNT [--rtu|--embedded]", &regs}};
const Register r3{{"u16", "--port DEV|--detect [--extra DEV] REG", &u16}};
const Register r4{{"u32", "--port DEV|--detect [--extra DEV] REG", &u32}};
const Register r5{{"f32", "--port DEV|--detect [--extra DEV] REG", &f32}};
const Register r6{{"time", "--port DEV|--detect [--extra DEV] REG", &time}};
const Register r7{{"totals", "--port DEV|--detect [--extra DEV]", &totals}};
const Register r8{{"structure", "--port DEV|--detect [--extra DEV] ID [--out FILE]", &structure}};
const Register r9{{"put-structure", "--port DEV|--detect [--extra DEV] ID FILE", &putStructure}};
const Register r10{{"fetch", "--port DEV|--detect [--extra DEV] config|cal|basiccal FILE", &fetch}};
const Register r11{{"log", "--port DEV|--detect [--extra DEV] NAME FILE [--windowed]", &log}};
const Register r12{{"set-time", "--port DEV|--detect [--extra DEV] now|YYYY-MM-DDTHH:MM:SS", &setTime}};
const Register r13{{"access", "--port DEV|--detect [--extra DEV] LEVEL", &access}};
const Register r14{{"state", "--port DEV|--detect [--extra DEV] N", &state}};
const Register r15{{"command", "--port DEV|--detect [--extra DEV] N", &command}};
const Register r16{{"reboot", "--port DEV|--detect [--extra DEV]", &reboot}};
const Register r17{{"list-ports", "[--extra DEV]...", &listPorts}};

} // namespace

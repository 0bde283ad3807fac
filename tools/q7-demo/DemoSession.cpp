#include "DemoSession.h"

#include "AppFolders.h"
#include "SimulatedBoard.h"

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QImage>
#include <QPainter>

namespace {

size_t index(DemoSession::Board board)
{
    return board == DemoSession::Board::Existing ? 0 : 1;
}

QString boardName(DemoSession::Board board)
{
    return board == DemoSession::Board::Existing ? QStringLiteral("existing") : QStringLiteral("replacement");
}

bool freshFolder(const QString& path, const QString& what, QString* error)
{
    // Only folders this session made are emptied: a replacement card starts blank each run.
    QDir folder(path);
    if ((folder.exists() && !folder.removeRecursively()) || !QDir().mkpath(path)) {
        if (error)
            *error = QStringLiteral("Cannot prepare the simulated %1 %2")
                         .arg(what, QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

// A photograph as a camera leaves it: a picture of a few kilobytes under a camera's name.
bool writePhoto(const QString& path, int number)
{
    QImage photo(320, 240, QImage::Format_RGB32);
    photo.fill(QColor::fromHsv((number * 97) % 360, 90, 200));
    QPainter painter(&photo);
    painter.setPen(Qt::black);
    painter.drawRect(photo.rect().adjusted(20, 20, -21, -21));
    QFont font = painter.font();
    font.setPixelSize(24);
    painter.setFont(font);
    painter.drawText(photo.rect(), Qt::AlignCenter, QStringLiteral("Site photograph %1").arg(number));
    painter.end();
    return photo.save(path, "JPEG", 80);
}

} // namespace

DemoSession::DemoSession(QString root)
    : m_root(std::move(root)), m_models{sim::BoardModel::existing(), sim::BoardModel::replacement()}
{
    m_models[0].sdCardDir = cardFolder(Card::OldBoard);
    m_models[1].sdCardDir = cardFolder(Card::Replacement);
}

DemoSession::~DemoSession()
{
    if (m_board)
        m_board->stop();
}

QString DemoSession::defaultRoot()
{
    const QString folder = AppFolders().userDataFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/Q7UpgradeUtility-demo");
}

QString DemoSession::cardFolder(Card card) const
{
    return m_root + (card == Card::OldBoard ? QStringLiteral("/SD cards/old board")
                                            : QStringLiteral("/SD cards/replacement board"));
}

bool DemoSession::start(QString* error)
{
    if (m_root.isEmpty()) {
        if (error)
            *error = QStringLiteral("There is no per-user data folder for the demo");
        return false;
    }
    const QString sdCard = QStringLiteral("SD card");
    if (!freshFolder(cardFolder(Card::OldBoard), sdCard, error) ||
        !freshFolder(cardFolder(Card::Replacement), sdCard, error))
        return false;
    // The camera card starts out of its reader, whatever an earlier run left.
    if (!removeCameraCard()) {
        if (error)
            *error = QStringLiteral("Cannot remove the simulated camera card %1")
                         .arg(QDir::toNativeSeparators(cameraFolder()));
        return false;
    }
    // The old board's card as a board in service leaves it: its logs as CSV files.
    if (!m_models[0].fillCard()) {
        if (error)
            *error = QStringLiteral("Cannot write the old board's simulated SD card");
        return false;
    }
    m_current = Board::Existing;
    m_board = std::make_unique<sim::SimulatedBoard>(m_models[0]);
    return m_board->start(error);
}

QString DemoSession::devicePath() const
{
    return m_board ? m_board->devicePath() : QString();
}

void DemoSession::swapTo(Board board)
{
    if (!m_board || board == m_current)
        return;
    m_models[index(m_current)] = m_board->model();
    m_faults[index(m_current)] = m_board->faults();
    m_board->swapBoard(m_models[index(board)]);
    m_board->setFaults(m_faults[index(board)]);
    m_current = board;
}

void DemoSession::insertCard(Card card)
{
    removeCards();
    m_volumes.insert(cardFolder(card));
}

void DemoSession::removeCards()
{
    for (const QString& root : m_volumes.volumes())
        m_volumes.remove(root);
}

std::optional<DemoSession::Card> DemoSession::insertedCard() const
{
    for (Card card : {Card::OldBoard, Card::Replacement})
        if (m_volumes.volumes().contains(cardFolder(card)))
            return card;
    return std::nullopt;
}

sim::BoardModel DemoSession::model() const
{
    return m_board ? m_board->model() : m_models[index(m_current)];
}

sim::BoardFaults DemoSession::faults() const
{
    return m_board ? m_board->faults() : m_faults[index(m_current)];
}

void DemoSession::setFaults(const sim::BoardFaults& faults)
{
    m_faults[index(m_current)] = faults;
    if (m_board)
        m_board->setFaults(faults);
}

int DemoSession::rebootSilenceMs() const
{
    return m_board ? m_board->model().rebootSilenceMs : m_models[index(m_current)].rebootSilenceMs;
}

void DemoSession::setRebootSilenceMs(int ms)
{
    m_models[index(m_current)].rebootSilenceMs = ms;
    if (m_board)
        m_board->editModel([ms](sim::BoardModel& model) { model.rebootSilenceMs = ms; });
}

QString DemoSession::cameraFolder() const
{
    return m_root + QStringLiteral("/Camera card");
}

bool DemoSession::insertCameraCard(QString* error)
{
    const QString folder = cameraFolder();
    bool written = freshFolder(folder, QStringLiteral("camera card"), error);
    for (int number = 1; written && number <= kCameraPhotos; ++number)
        written =
            writePhoto(folder + QStringLiteral("/IMG_%1.JPG").arg(number, 4, 10, QLatin1Char('0')), number);
    if (!written) {
        if (error && error->isEmpty())
            *error = QStringLiteral("Cannot write the photographs of the simulated camera card");
        QDir(folder).removeRecursively();
    }
    return written;
}

bool DemoSession::removeCameraCard()
{
    return QDir(cameraFolder()).removeRecursively();
}

bool DemoSession::cameraCardInserted() const
{
    return QFileInfo(cameraFolder()).isDir();
}

QString DemoSession::describe() const
{
    return QStringLiteral("Simulated %1 Q7 board on %2").arg(boardName(m_current), devicePath());
}

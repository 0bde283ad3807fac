#pragma once

#include <QObject>
#include <QString>

class Progress;
class Workbench;

// Acts on the workbench's volume watch while a guided SD-card transfer runs: a reported volume
// is remembered as a card and the copy step follows on the workbench's FileCopyTimer, about 3 s
// after the first report. A guided transfer attaches one for its whole length; outside it
// nothing is waited for, so nothing needs to act on a card.
class SdCardWatch : public QObject
{
    Q_OBJECT

public:
    explicit SdCardWatch(Workbench& bench);
    // Leaves the watch idle: a copy step still pending is dropped with its cards, as the step
    // would drop them with the watch off.
    ~SdCardWatch() override;

    void volumeArrived(const QString& root);
    void volumeRemoved(const QString& root);
    // The copy step: every reported card that can be read, in the direction transferToCard says.
    void FileCopyTimerTimer();

private:
    void copyVolume(const QString& card, Progress& progress);

    Workbench& m_bench;
    bool m_copying = false;
};

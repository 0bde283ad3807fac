#pragma once

#include "WorkbenchView.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// What the workbench showed its front end, in order, for a test to compare.
class RecordingView : public WorkbenchView
{
public:
    void setCaption(const QString& caption) override { captions << caption; }
    void setSiteItemsEnabled(bool enabled) override { siteItems << enabled; }
    void setUpgradeButton(bool visible, bool enabled) override
    {
        upgradeButton << std::pair{visible, enabled};
    }
    void linkReceived() override { ++received; }
    void linkSent() override { ++sent; }

    QStringList captions;
    QList<bool> siteItems;
    QList<std::pair<bool, bool>> upgradeButton; // visible, enabled
    int received = 0;
    int sent = 0;
};

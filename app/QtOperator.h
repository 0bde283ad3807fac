#pragma once

#include "WorkflowOperator.h"

#include <QFileDialog>
#include <QPointer>
#include <QWidget>

// The technician's side of the Operator: real message boxes and dialogs over the main window,
// and the main window's status line.
class QtOperator : public WorkflowOperator
{
public:
    // owner: the window dialogs are placed over and whose "StatusTxt" is the status line;
    // null until the main window exists.
    void setOwner(QWidget* owner) { m_owner = owner; }

    Answer message(const QString& text, const QString& caption, Buttons buttons, Icon icon) override;
    void error(const QString& text) override;
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& initial) override;
    std::optional<QString> sfoNumber() override;
    std::optional<QStringList> comments() override;
    PortChoice selectPort(const QStringList& ports, const QString& preselected) override;
    void showPreview(const PagedDocument& document, const QString& title) override;
    std::unique_ptr<Progress> createProgress() override;
    void setStatus(const QString& text) override;
    std::optional<QString> siteLicense() override;
    std::optional<Q7Data::Totalisers> totalisers(const Q7Data::Totalisers& initial) override;
    bool manualCc(CalRecord& record) override;
    QStringList openFiles(const QString& title, const QString& filter) override;
    void configurePort(TVaComm& comm) override;

    // The open-file dialog as openFiles shows it: existing files only, several at once, and
    // filter's "description|pattern" pairs as its entries, matched without regard to letter case.
    static void prepareOpenFiles(QFileDialog& dialog, const QString& title, const QString& filter);

private:
    QPointer<QWidget> m_owner;
};

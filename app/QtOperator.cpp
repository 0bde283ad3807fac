#include "QtOperator.h"

#include "Ports.h"
#include "PreviewDialog.h"
#include "TDlProgForm.h"
#include "TManualCCForm.h"
#include "TMaskedInputForm.h"
#include "TMemoFormUnit.h"
#include "TSelectSerialPortForm.h"
#include "TSiteLicenseQueryForm.h"
#include "TTotalisersInputForm.h"
#include "TVaCommConfigForm.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

namespace {

QMessageBox::Icon toIcon(Operator::Icon icon)
{
    switch (icon) {
    case Operator::Icon::Information:
        return QMessageBox::Information;
    case Operator::Icon::Warning:
        return QMessageBox::Warning;
    case Operator::Icon::Error:
        return QMessageBox::Critical;
    case Operator::Icon::Question:
        return QMessageBox::Question;
    case Operator::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons toButtons(Operator::Buttons buttons)
{
    switch (buttons) {
    case Operator::Buttons::Ok:
        return QMessageBox::Ok;
    case Operator::Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Operator::Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Operator::Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Operator::Buttons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

Operator::Answer toAnswer(int button, Operator::Buttons buttons)
{
    switch (button) {
    case QMessageBox::Ok:
        return Operator::Answer::Ok;
    case QMessageBox::Yes:
        return Operator::Answer::Yes;
    case QMessageBox::No:
        return Operator::Answer::No;
    case QMessageBox::Retry:
        return Operator::Answer::Retry;
    case QMessageBox::Cancel:
        return Operator::Answer::Cancel;
    default:
        // Closed through the title bar or Escape without a cancel button.
        if (buttons == Operator::Buttons::Ok)
            return Operator::Answer::Ok;
        return buttons == Operator::Buttons::YesNo ? Operator::Answer::No : Operator::Answer::Cancel;
    }
}

} // namespace

Operator::Answer QtOperator::message(const QString& text, const QString& caption, Buttons buttons, Icon icon)
{
    QMessageBox box(toIcon(icon), caption.isEmpty() ? QApplication::applicationDisplayName() : caption, text,
                    toButtons(buttons), m_owner);
    return toAnswer(box.exec(), buttons);
}

void QtOperator::error(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                    m_owner);
    box.exec();
}

std::optional<QString> QtOperator::inputText(const QString& caption, const QString& prompt,
                                             const QString& initial)
{
    QInputDialog dialog(m_owner);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(initial);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("Cancel"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> QtOperator::sfoNumber()
{
    TMaskedInputForm dialog(m_owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.text();
}

std::optional<QStringList> QtOperator::comments()
{
    TMemoFormUnit dialog(m_owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.lines();
}

Operator::PortChoice QtOperator::selectPort(const QStringList& ports, const QString& preselected)
{
    // The caller lists the ports and remembers the choice; "Refresh" lists again, keeping any
    // extra device the caller knew of while it can still be opened.
    bool listed = false;
    auto listPorts = [&]() {
        if (!listed) {
            listed = true;
            return ports;
        }
        return SerialPorts(ports).availablePorts();
    };
    TSelectSerialPortForm form(listPorts, {[&] { return preselected; }, {}}, m_owner);
    const bool accepted = form.exec() == QDialog::Accepted;
    return {form.selectedPort, accepted};
}

void QtOperator::showPreview(const PagedDocument& document, const QString& title)
{
    PreviewDialog preview(document, title, m_owner);
    preview.exec();
}

std::unique_ptr<Progress> QtOperator::createProgress()
{
    return std::make_unique<TDlProgForm>(m_owner);
}

void QtOperator::setStatus(const QString& text)
{
    if (!m_owner)
        return;
    if (auto* status = m_owner->findChild<QLabel*>(QStringLiteral("StatusTxt")))
        status->setText(text);
}

std::optional<QString> QtOperator::siteLicense()
{
    TSiteLicenseQueryForm dialog(m_owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.text();
}

std::optional<Q7Data::Totalisers> QtOperator::totalisers(const Q7Data::Totalisers& initial)
{
    TTotalisersInputForm dialog(m_owner);
    dialog.values = initial.values();
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return Q7Data::Totalisers::fromValues(dialog.values);
}

bool QtOperator::manualCc(CalRecord& record)
{
    TManualCCForm form(record, *this, m_owner);
    return form.exec() == QDialog::Accepted;
}

void QtOperator::prepareOpenFiles(QFileDialog& dialog, const QString& title, const QString& filter)
{
    dialog.setWindowTitle(title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
#ifndef Q_OS_WIN
    // Desktop portals match patterns by letter case; photographs come as .JPG and .jpg alike.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
#endif
    QStringList entries;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype at = 0; at + 1 < parts.size(); at += 2) {
        const QString& description = parts.at(at);
        // A description that names its patterns already is the entry as the technician reads it.
        entries << (description.trimmed().endsWith(QLatin1Char(')'))
                        ? description
                        : description + QStringLiteral(" (") + parts.at(at + 1) + QLatin1Char(')'));
    }
    dialog.setNameFilters(entries);
}

QStringList QtOperator::openFiles(const QString& title, const QString& filter)
{
    QFileDialog dialog(m_owner);
    prepareOpenFiles(dialog, title, filter);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void QtOperator::configurePort(TVaComm& comm)
{
    TVaCommConfigForm::configure(comm, m_owner);
}

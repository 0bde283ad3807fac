#include "ConsoleOperator.h"

namespace {
class SilentProgress : public Progress
{
public:
    void setProgress(const QString&, const QString&, int) override {}
    void show() override {}
    void hide() override {}
    void repaint() override {}
};
} // namespace

Operator::Answer ConsoleOperator::message(const QString& text, const QString&, Buttons buttons, Icon)
{
    m_err << "q7ctl: " << QString(text).replace('\n', ' ') << Qt::endl;
    switch (buttons) {
    case Buttons::Ok:
        return Answer::Ok;
    case Buttons::OkCancel:
    case Buttons::RetryCancel:
        return Answer::Cancel;
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        break;
    }
    return Answer::No;
}

void ConsoleOperator::error(const QString& text)
{
    m_err << "q7ctl: " << text << Qt::endl;
}

std::optional<QString> ConsoleOperator::inputText(const QString&, const QString&, const QString&)
{
    return std::nullopt;
}

Operator::PortChoice ConsoleOperator::selectPort(const QStringList&, const QString& preselected)
{
    return {preselected, false};
}

void ConsoleOperator::showPreview(const PagedDocument&, const QString&) {}

std::unique_ptr<Progress> ConsoleOperator::createProgress()
{
    return std::make_unique<SilentProgress>();
}

void ConsoleOperator::setStatus(const QString& text)
{
    m_err << "q7ctl: " << text << Qt::endl;
}

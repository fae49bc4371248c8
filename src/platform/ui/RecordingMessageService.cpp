#include "platform/ui/RecordingMessageService.h"

#include <QDialog>

#include <stdexcept>
#include <utility>

namespace velkora::platform {

bool RecordingMessageService::present(BoxKind kind, const QString& text, const QString& detail,
                                      QWidget* /*parent*/)
{
    m_boxes.push_back({kind, text, detail});
    if (kind != BoxKind::Confirmation)
        return true;
    if (m_answers.empty())
        throw std::logic_error("unscripted confirmation: " + text.toStdString());
    const bool yes = m_answers.front();
    m_answers.pop_front();
    return yes;
}

int RecordingMessageService::execDialog(QDialog& dialog)
{
    m_dialogTitles.append(dialog.windowTitle());
    if (m_dialogScripts.empty())
        throw std::logic_error("unscripted dialog: " + dialog.windowTitle().toStdString());
    const std::function<int(QDialog&)> script = std::move(m_dialogScripts.front());
    m_dialogScripts.pop_front();

    // Shown like exec() shows it, so what the dialog does when it appears (setting the focus,
    // filling fields) has happened before the script looks at it; but without a modal loop.
    dialog.setResult(0);
    dialog.show();
    // Hidden again even when the script throws, so a failing test leaves no window behind.
    struct Hide
    {
        QDialog& dialog;
        ~Hide() { dialog.hide(); }
    } hide{dialog};
    return script(dialog);
}

void RecordingMessageService::answerNext(bool yes)
{
    m_answers.push_back(yes);
}

void RecordingMessageService::onNextDialog(std::function<int(QDialog&)> script)
{
    m_dialogScripts.push_back(std::move(script));
}

QStringList RecordingMessageService::texts() const
{
    QStringList result;
    for (const RecordedBox& box : m_boxes)
        result.append(box.text);
    return result;
}

void RecordingMessageService::clear()
{
    m_boxes.clear();
    m_dialogTitles.clear();
    m_answers.clear();
    m_dialogScripts.clear();
}

} // namespace velkora::platform

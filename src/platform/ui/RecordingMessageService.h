#pragma once

#include "platform/MessageService.h"

#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

namespace velkora::platform {

// The message service for tests: records every box (kind, exact text and detail) and every
// dialog, and answers confirmations and dialogs from scripts queued in advance, so no test waits
// on a modal window. Something the test did not script is a fault of the test or of the code under test,
// so it throws std::logic_error instead of guessing an answer.
class RecordingMessageService : public MessageService
{
public:
    struct RecordedBox
    {
        BoxKind kind;
        QString text;
        QString detail;
    };

    // Records the dialog's window title, shows the dialog without a modal loop and hands it to
    // the next queued script, whose return value becomes the result. The script usually fills
    // fields and clicks buttons (QTest::keyClick, button->click()) and returns dialog.result().
    // The dialog is hidden again afterwards, as at the end of a modal run.
    int execDialog(QDialog& dialog) override;

    // The answer of the next confirmation: true for Yes.
    void answerNext(bool yes);
    void onNextDialog(std::function<int(QDialog&)> script);

    const std::vector<RecordedBox>& boxes() const { return m_boxes; }
    // The texts of the recorded boxes, in order.
    QStringList texts() const;
    QStringList dialogTitles() const { return m_dialogTitles; }
    // Forgets the recorded boxes and dialogs and any answers and scripts still queued.
    void clear();

protected:
    // Records the box; a confirmation takes the next queued answer.
    bool present(BoxKind kind, const QString& text, const QString& detail, QWidget* parent) override;

private:
    std::vector<RecordedBox> m_boxes;
    QStringList m_dialogTitles;
    std::deque<bool> m_answers;
    std::deque<std::function<int(QDialog&)>> m_dialogScripts;
};

} // namespace velkora::platform

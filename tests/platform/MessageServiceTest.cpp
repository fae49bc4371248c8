#include "platform/ui/QtMessageService.h"
#include "platform/ui/RecordingMessageService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace vp = velkora::platform;
using vp::BoxKind;

namespace {

TEST(RecordingMessageServiceTest, RecordsBoxesAndAnswersConfirmationsInOrder)
{
    vp::RecordingMessageService messages;
    messages.answerNext(true);
    messages.answerNext(false);

    messages.error("errore");
    EXPECT_TRUE(messages.confirm("prima?"));
    messages.warning("attenzione");
    EXPECT_FALSE(messages.confirm("seconda?"));
    messages.information("informazione");
    messages.plain("semplice");

    const std::vector<std::pair<BoxKind, QString>> expected = {
        {BoxKind::Error, "errore"},
        {BoxKind::Confirmation, "prima?"},
        {BoxKind::Warning, "attenzione"},
        {BoxKind::Confirmation, "seconda?"},
        {BoxKind::Information, "informazione"},
        {BoxKind::Plain, "semplice"}};
    ASSERT_EQ(messages.boxes().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(messages.boxes()[i].kind, expected[i].first);
        EXPECT_EQ(messages.boxes()[i].text, expected[i].second);
    }
    EXPECT_EQ(messages.texts().size(), 6);

    messages.clear();
    EXPECT_TRUE(messages.boxes().empty());
}

TEST(RecordingMessageServiceTest, UnscriptedConfirmationThrowsAfterRecording)
{
    vp::RecordingMessageService messages;
    messages.answerNext(true);
    messages.clear(); // queued answers go too
    try {
        messages.confirm("Cancello il record?");
        FAIL() << "no exception";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "unscripted confirmation: Cancello il record?");
    }
    ASSERT_EQ(messages.boxes().size(), 1u);
    EXPECT_EQ(messages.boxes()[0].kind, BoxKind::Confirmation);
}

TEST(RecordingMessageServiceTest, DialogScriptsRunOnTheShownDialog)
{
    vp::RecordingMessageService messages;
    QDialog dialog;
    dialog.setWindowTitle("Prima");
    auto* edit = new QLineEdit(&dialog);

    bool wasVisible = false;
    messages.onNextDialog([&](QDialog& d) {
        wasVisible = d.isVisible();
        edit->setText("scritto");
        d.accept();
        return d.result();
    });
    messages.onNextDialog([](QDialog&) { return 7; });

    EXPECT_EQ(messages.execDialog(dialog), QDialog::Accepted);
    EXPECT_TRUE(wasVisible);
    EXPECT_EQ(edit->text(), "scritto");
    dialog.setWindowTitle("Seconda");
    EXPECT_EQ(messages.execDialog(dialog), 7);
    EXPECT_FALSE(dialog.isVisible()) << "hidden again, as after a modal run";

    EXPECT_THROW(messages.execDialog(dialog), std::logic_error);
    EXPECT_EQ(messages.dialogTitles(), QStringList({"Prima", "Seconda", "Seconda"}));
    EXPECT_TRUE(messages.boxes().empty());
}

// Hands the box to act once it is shown: the timer looks for it from inside the box's own modal
// loop. The timer is started by the caller, just before the box is shown.
void whenABoxShows(QTimer& timer, std::function<void(QMessageBox*)> act)
{
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [&timer, act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer.stop();
        act(box);
    });
}

// The real boxes, closed by a timer from inside their own modal loop.
TEST(QtMessageServiceTest, BoxesHaveTheirSignButtonsAndTitle)
{
    struct Case
    {
        BoxKind kind;
        QMessageBox::Icon icon;
        QStringList buttons;
        QString press;
        bool expected;
    };
    const Case cases[] = {
        {BoxKind::Error, QMessageBox::Critical, {"OK"}, "OK", true},
        {BoxKind::Warning, QMessageBox::Warning, {"OK"}, "OK", true},
        {BoxKind::Information, QMessageBox::Information, {"OK"}, "OK", true},
        {BoxKind::Plain, QMessageBox::NoIcon, {"OK"}, "OK", true},
        {BoxKind::Confirmation, QMessageBox::Question, {"Sì", "No"}, "Sì", true},
        {BoxKind::Confirmation, QMessageBox::Question, {"Sì", "No"}, "No", false},
    };

    QApplication::setApplicationDisplayName("Velkora prova");
    vp::QtMessageService service;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.press.toStdString() + " " + std::to_string(int(c.kind)));
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;
        QString title;
        QString text;
        Qt::TextFormat format = Qt::AutoText;
        QTimer timer;
        whenABoxShows(timer, [&](QMessageBox* box) {
            icon = box->icon();
            title = box->windowTitle();
            text = box->text();
            format = box->textFormat();
            for (QAbstractButton* button : box->buttons())
                buttons.append(button->text().remove('&'));
            for (QAbstractButton* button : box->buttons()) {
                if (button->text().remove('&') == c.press)
                    button->click();
            }
        });
        timer.start();
        EXPECT_EQ(service.showBox(c.kind, "<b>testo</b>"), c.expected);
        EXPECT_EQ(icon, c.icon);
        buttons.sort();
        QStringList expectedButtons = c.buttons;
        expectedButtons.sort();
        EXPECT_EQ(buttons, expectedButtons);
        EXPECT_EQ(title, "Velkora prova");
        EXPECT_EQ(text, "<b>testo</b>");
        EXPECT_EQ(format, Qt::PlainText) << "database texts are never markup";
    }
}

// A question is answered with Yes or No only: Escape gives no answer and leaves it open.
TEST(QtMessageServiceTest, EscapeDoesNotAnswerAQuestion)
{
    vp::QtMessageService service;
    bool apertoDopoEscape = false;
    QTimer timer;
    whenABoxShows(timer, [&](QMessageBox* box) {
        QTest::keyClick(box, Qt::Key_Escape);
        QApplication::processEvents();
        apertoDopoEscape = box->isVisible();
        box->button(QMessageBox::Yes)->click();
    });
    timer.start();
    EXPECT_TRUE(service.confirm("Salvare le modifiche apportate?"));
    EXPECT_TRUE(apertoDopoEscape);
}

TEST(RecordingMessageServiceTest, RecordsTheDetailOfABox)
{
    vp::RecordingMessageService messages;
    messages.error("Errore nell'accesso al database.", "Table unknown\nUTENTI");
    messages.warning("Attenzione", "dettaglio");
    messages.error(vp::FailureText{"Messaggio", "Testo del motore"});
    messages.error("senza dettaglio");
    ASSERT_EQ(messages.boxes().size(), 4u);
    EXPECT_EQ(messages.boxes()[0].text, "Errore nell'accesso al database.");
    EXPECT_EQ(messages.boxes()[0].detail, "Table unknown\nUTENTI");
    EXPECT_EQ(messages.boxes()[1].kind, BoxKind::Warning);
    EXPECT_EQ(messages.boxes()[1].detail, "dettaglio");
    EXPECT_EQ(messages.boxes()[2].text, "Messaggio");
    EXPECT_EQ(messages.boxes()[2].detail, "Testo del motore");
    EXPECT_TRUE(messages.boxes()[3].detail.isEmpty());
}

// The detail sits behind the box's own button, which speaks Italian like the rest of the box.
TEST(QtMessageServiceTest, TheDetailIsBehindAnItalianButton)
{
    vp::QtMessageService service;
    QString text;
    QString detail;
    QStringList buttons;
    QString afterOpening;
    QTimer timer;
    whenABoxShows(timer, [&](QMessageBox* box) {
        text = box->text();
        detail = box->detailedText();
        QAbstractButton* details = nullptr;
        for (QAbstractButton* button : box->buttons()) {
            buttons.append(button->text().remove('&'));
            if (box->buttonRole(button) == QMessageBox::ActionRole)
                details = button;
        }
        if (details) {
            details->click();
            afterOpening = details->text().remove('&');
        }
        box->button(QMessageBox::Ok)->click();
    });
    timer.start();
    service.error("Errore nell'accesso al database.", "Dynamic SQL Error\nTable unknown\nUTENTI");
    EXPECT_EQ(text, "Errore nell'accesso al database.");
    EXPECT_EQ(detail, "Dynamic SQL Error\nTable unknown\nUTENTI");
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Mostra dettagli...", "OK"}));
    EXPECT_EQ(afterOpening, "Nascondi dettagli...");
}

} // namespace

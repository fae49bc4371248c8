#include "shell/KivIn2.h"
#include "platform/ui/RecordingMessageService.h"
#include "shell/Iniz.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using velkora::TInizForm;
using velkora::TKivIn2Form;

namespace {

// The dialog shown without a modal loop, active, as the user meets it.
class KivIn2ShownTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    TKivIn2Form form;
};

TEST(KivIn2Test, AsDesigned)
{
    TKivIn2Form fresh;
    EXPECT_EQ(fresh.Esito, 0);
    EXPECT_EQ(fresh.objectName(), "KivIn2Form");
    EXPECT_EQ(fresh.windowTitle(), "Dialog");
    EXPECT_EQ(fresh.size(), QSize(329, 148));
    EXPECT_TRUE(fresh.font().bold());
    EXPECT_EQ(fresh.Label1->text(), "Inserisci data e numero:");
    EXPECT_EQ(fresh.Label1->pos(), QPoint(13, 32));
    EXPECT_EQ(fresh.Edit1->text(), "Edit1");
    EXPECT_EQ(fresh.Edit1->geometry().topLeft(), QPoint(24, 56));
    EXPECT_TRUE(fresh.Edit2->text().isEmpty());
    EXPECT_EQ(fresh.OKBtn->text(), "OK");
    EXPECT_EQ(fresh.OKBtn->geometry(), QRect(93, 108, 77, 27));
    EXPECT_TRUE(fresh.OKBtn->isDefault());
    EXPECT_EQ(fresh.CancelBtn->text(), "Annulla");
    EXPECT_EQ(fresh.CancelBtn->geometry(), QRect(177, 108, 77, 27));
    for (const char* name : {"Bevel1", "Label1", "Edit1", "Edit2", "OKBtn", "CancelBtn"})
        EXPECT_NE(fresh.findChild<QWidget*>(name), nullptr) << name;
}

TEST_F(KivIn2ShownTest, FocusStartsOnEdit1AndFollowsTheTabOrder)
{
    EXPECT_EQ(QApplication::focusWidget(), form.Edit1);
    const QWidget* expected[] = {form.Edit2, form.OKBtn, form.CancelBtn, form.Edit1};
    for (const QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(KivIn2ShownTest, EachShowingStartsOnEdit1)
{
    form.CancelBtn->setFocus();
    form.hide();
    form.show();
    // The offscreen platform does not activate a window shown again, so look at the control
    // that takes the focus when it is.
    EXPECT_EQ(form.focusWidget(), form.Edit1);
}

TEST(KivIn2Test, AnswersSetEsito)
{
    struct Case
    {
        const char* name;
        std::function<void(TKivIn2Form&)> act;
        qint16 esito;
        int result;
    };
    const Case cases[] = {
        {"Enter in Edit1", [](TKivIn2Form& f) { QTest::keyClick(f.Edit1, Qt::Key_Return); }, 1,
         QDialog::Accepted},
        {"Enter in Edit2",
         [](TKivIn2Form& f) {
             f.Edit2->setFocus();
             QTest::keyClick(f.Edit2, Qt::Key_Enter);
         },
         1, QDialog::Accepted},
        {"OK button", [](TKivIn2Form& f) { QTest::mouseClick(f.OKBtn, Qt::LeftButton); }, 1,
         QDialog::Accepted},
        {"Esc", [](TKivIn2Form& f) { QTest::keyClick(f.Edit1, Qt::Key_Escape); }, 2,
         QDialog::Rejected},
        {"Cancel button", [](TKivIn2Form& f) { QTest::mouseClick(f.CancelBtn, Qt::LeftButton); },
         2, QDialog::Rejected},
        {"closed from the title bar", [](TKivIn2Form& f) { f.close(); }, 0, QDialog::Rejected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TKivIn2Form dialog;
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        c.act(dialog);
        EXPECT_EQ(dialog.Esito, c.esito);
        EXPECT_EQ(dialog.result(), c.result);
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST(KivIn2Test, CallerChangesBeforeShowingAreKept)
{
    TKivIn2Form dialog;
    dialog.setWindowTitle("Server");
    dialog.Label1->setText("Nome del server e percorso del database:");
    dialog.Label1->move(20, 20);
    dialog.Edit1->setText("localhost");
    dialog.Edit2->clear();

    velkora::platform::RecordingMessageService messages;
    messages.onNextDialog([](QDialog& d) {
        auto& form = static_cast<TKivIn2Form&>(d);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        EXPECT_EQ(QApplication::focusWidget(), form.Edit1);
        // The longer text fits: the label grows with it.
        EXPECT_GE(form.Label1->width(), form.Label1->sizeHint().width());
        form.Edit2->setText("/dati/velkora.fdb");
        QTest::keyClick(form.Edit2, Qt::Key_Return);
        return d.result();
    });
    EXPECT_EQ(messages.execDialog(dialog), QDialog::Accepted);
    EXPECT_EQ(messages.dialogTitles(), QStringList({"Server"}));
    EXPECT_EQ(dialog.Esito, 1);
    EXPECT_EQ(dialog.Label1->pos(), QPoint(20, 20));
    EXPECT_EQ(dialog.Edit1->text(), "localhost");
    EXPECT_EQ(dialog.Edit2->text(), "/dati/velkora.fdb");
}

TEST(InizFormTest, ShowsTheLoadingMessage)
{
    TInizForm form;
    EXPECT_EQ(form.objectName(), "InizForm");
    EXPECT_EQ(form.windowTitle(), "Inizializzazione");
    EXPECT_EQ(form.size(), QSize(292, 131));
    EXPECT_EQ(form.LabelMessaggio1->text(), "Caricamento delle impostazioni");
    EXPECT_EQ(form.LabelMessaggio2->text(), "personali in corso...");
    EXPECT_EQ(form.LabelMessaggio1->y(), 16);
    EXPECT_EQ(form.LabelMessaggio2->y(), 48);
    EXPECT_EQ(form.LabelMessaggio1->font().pointSize(), 10);
}

} // namespace

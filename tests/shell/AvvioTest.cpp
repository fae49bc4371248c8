// The start of the main window as the program makes it: the window on the screen first, then the
// user database, its boxes and the user list. Each start-up situation is started both ways, at
// once in the constructor and on the screen, each in a fresh program folder: the boxes, their
// order and the window's login state must come out the same, every box of the on-screen start
// must come over the shown window while its panel is out of use, and nothing of the panel may
// start a login before the list is there.

#include "data/TabX.h"
#include "db/Database.h"
#include "platform/ui/RecordingMessageService.h"
#include "shell/BaseMain.h"
#include "shell/KivIn2.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

using namespace velkora;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

// Records, with every box and dialog, how the main window stood when it came.
class BoxesOverTheWindow : public platform::RecordingMessageService
{
public:
    struct Moment
    {
        QString what;
        bool windowShown;
        bool panelUsable;
        bool overTheWindow;
    };

    int execDialog(QDialog& dialog) override
    {
        note(dialog.windowTitle(), dialog.parentWidget());
        return RecordingMessageService::execDialog(dialog);
    }

    const TBaseMainForm* window = nullptr;
    std::vector<Moment> moments;

protected:
    bool present(platform::BoxKind kind, const QString& text, const QString& detail,
                 QWidget* parent) override
    {
        note(text, parent);
        return RecordingMessageService::present(kind, text, detail, parent);
    }

private:
    void note(const QString& what, const QWidget* parent)
    {
        if (!window)
            return;
        moments.push_back({what, window->isVisible(), window->PanelLogIn->isEnabled(),
                           parent == window});
    }
};

void cancelTheServerPrompt(platform::RecordingMessageService& messages)
{
    messages.onNextDialog([](QDialog& d) {
        dynamic_cast<TKivIn2Form&>(d).CancelBtn->click();
        return d.result();
    });
}

struct Situation
{
    const char* name;
    // Lays out the program folder.
    std::function<void(ProgramFolder&)> layOut;
    // Whether the current directory holds "Grafica".
    bool grafica;
    // Answers for the dialogs the start asks.
    std::function<void(platform::RecordingMessageService&)> answers;
    // Boxes and dialogs the start shows (so that the comparison has something to compare).
    std::size_t boxes;
    int users;
};

void usersOutOfCodeOrder(ProgramFolder& folder)
{
    folder.installUserDatabase();
    db::Database setup;
    test::attach(setup, folder.userDatabase());
    for (const char* sql :
         {"INSERT INTO UTENTI (CODICE, NOMEUTENTE, UTENTEINATTIVO) VALUES (3, 'VERDI', NULL)",
          "INSERT INTO UTENTI (CODICE, NOMEUTENTE, UTENTEINATTIVO) VALUES (1, 'ROSSI', '0')",
          "INSERT INTO UTENTI (CODICE, NOMEUTENTE, UTENTEINATTIVO) VALUES (2, 'BIANCHI', '1')"})
        test::exec(setup, QString::fromUtf8(sql));
}

const Situation kSituations[] = {
    {"users", usersOutOfCodeOrder, true, {}, 0, 2},
    {"no Grafica", usersOutOfCodeOrder, false, {}, 1, 2},
    {"no database yet", [](ProgramFolder&) {}, true, {}, 2, 0},
    {"a file where the user folder goes",
     [](ProgramFolder& folder) {
         QFile f(folder.file(QStringLiteral("user")));
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
     },
     true, cancelTheServerPrompt, 4, 0},
    {"a damaged database",
     [](ProgramFolder& folder) {
         folder.makeFolder(QStringLiteral("user"));
         QFile f(folder.userDatabase());
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         f.write(QByteArray(16384, '\x5a'));
     },
     true, cancelTheServerPrompt, 5, 0},
};

// What the start leaves behind, to compare the two ways of starting.
struct Outcome
{
    QStringList boxes;
    QStringList dialogs;
    QStringList users;
    int current = 0;
    bool logFinestre = false;
    QString title;
    bool panelShown = false;
    bool panelUsable = false;
    bool formMade = false;

    bool operator==(const Outcome&) const = default;
};

// The program folder differs from one start to the other; the boxes name it as "<cartella>".
Outcome outcomeOf(const TBaseMainForm& w, const BoxesOverTheWindow& messages,
                  const QString& folder)
{
    Outcome o;
    o.boxes = messages.texts();
    o.boxes.replaceInStrings(folder, QStringLiteral("<cartella>/"));
    o.dialogs = messages.dialogTitles();
    for (int i = 0; i < w.ComboUtenti->count(); ++i)
        o.users << w.ComboUtenti->itemText(i);
    o.current = w.ComboUtenti->currentIndex();
    o.logFinestre = w.LogFinestre;
    o.title = w.windowTitle();
    o.panelShown = !w.PanelLogIn->isHidden();
    o.panelUsable = w.PanelLogIn->isEnabled();
    o.formMade = w.tabX() != nullptr;
    return o;
}

std::ostream& operator<<(std::ostream& os, const Outcome& o)
{
    return os << "boxes " << o.boxes.join(QStringLiteral(" | ")).toStdString() << "; dialogs "
              << o.dialogs.join(QStringLiteral(" | ")).toStdString() << "; users "
              << o.users.join(QStringLiteral(",")).toStdString() << " current " << o.current
              << "; LogFinestre " << o.logFinestre << "; title " << o.title.toStdString()
              << "; panel shown " << o.panelShown << " usable " << o.panelUsable
              << "; data form " << o.formMade;
}

void pressEnterIn(QWidget* w)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
}

// A start of the main window in a program folder laid out for the situation.
struct Start
{
    Start(const Situation& s, TBaseMainForm::Avvio avvio)
    {
        s.layOut(folder);
        if (s.grafica)
            folder.makeFolder(QStringLiteral("Grafica"));
        if (s.answers)
            s.answers(messages);
        platform::Environment env = folder.environment();
        env.messages = &messages;
        cwd.emplace(s.grafica ? folder.path() : elsewhere.path());
        window = std::make_unique<TBaseMainForm>(env, nullptr, avvio);
        messages.window = window.get();
    }

    ProgramFolder folder;
    ProgramFolder elsewhere;
    BoxesOverTheWindow messages;
    std::optional<CurrentDirectory> cwd;
    std::unique_ptr<TBaseMainForm> window;
};

TEST(AvvioTest, OnTheScreenTheWindowComesFirstAndTheStartEndsAsAtOnce)
{
    for (const Situation& s : kSituations) {
        SCOPED_TRACE(s.name);

        Outcome atOnce;
        {
            const Start start(s, TBaseMainForm::Avvio::Subito);
            EXPECT_TRUE(start.window->avviato());
            atOnce = outcomeOf(*start.window, start.messages, start.folder.path());
        }
        EXPECT_EQ(static_cast<std::size_t>(atOnce.boxes.size() + atOnce.dialogs.size()), s.boxes)
            << atOnce;
        EXPECT_EQ(atOnce.users.size(), s.users) << atOnce;

        Start start(s, TBaseMainForm::Avvio::SulloSchermo);
        TBaseMainForm& w = *start.window;
        const BoxesOverTheWindow& messages = start.messages;
        QSignalSpy concluded(&w, &TBaseMainForm::avvioConcluso);
        w.show();

        // On the screen, and nothing of the database touched yet.
        EXPECT_TRUE(w.isVisible());
        EXPECT_FALSE(w.avviato());
        EXPECT_EQ(w.tabX(), nullptr);
        EXPECT_EQ(w.ComboUtenti->count(), 0);
        EXPECT_TRUE(messages.boxes().empty());
        EXPECT_FALSE(w.PanelLogIn->isHidden());
        EXPECT_FALSE(w.PanelLogIn->isEnabled());
        // Neither OK nor Enter starts a login before the list is there (there is no data form
        // to ask).
        w.ButtonOk->click();
        pressEnterIn(w.EditPassword);
        w.ButtonOkClick();
        EXPECT_TRUE(messages.boxes().empty());

        ASSERT_TRUE(concluded.wait(20000));
        EXPECT_EQ(concluded.count(), 1);
        EXPECT_TRUE(w.avviato());
        const Outcome onScreen = outcomeOf(w, messages, start.folder.path());
        EXPECT_EQ(onScreen, atOnce);

        // Every box came over the shown window, before the panel could be used.
        ASSERT_EQ(messages.moments.size(), s.boxes);
        for (const auto& m : messages.moments) {
            SCOPED_TRACE(m.what.toStdString());
            EXPECT_TRUE(m.windowShown);
            EXPECT_FALSE(m.panelUsable);
            EXPECT_TRUE(m.overTheWindow);
        }

        // Hidden and shown again, the window does not start a second time.
        w.hide();
        w.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(concluded.count(), 1);
        EXPECT_EQ(outcomeOf(w, messages, start.folder.path()), atOnce);
    }
}

} // namespace

// A day's work in one process, to see whether memory grows with it: the demo program folder
// (velkora-admin demo, the agenda Rubrivo copied in), "Mario Rossi" logged in as at the keyboard,
// then 1,000 clicks on the groups of the navigation bar, 200 openings and closings of the agenda
// from its menu leaf (with its call-log row and window handle) and 200 changes of company with
// F12. The resident memory (VmRSS) is printed after a warm-up round of each activity and at the
// end, with the growth of each phase. Target: under 2 MB of growth over the whole day.
//
// Options: --groups N, --windows N, --companies N change the counts.

#include "TestPaths.h"
#include "menu/CostruttoreMenu.h"
#include "menu/NavBarGroup.h"
#include "menu/NavigationBar.h"
#include "platform/Environment.h"
#include "platform/ui/RecordingMessageService.h"
#include "shell/BaseMain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>

using namespace velkora;

namespace {

long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// Lets deferred deletions and queued events run, as the event loop does between two user actions.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
}

std::set<QWidget*> topLevels()
{
    const QWidgetList list = QApplication::topLevelWidgets();
    return {list.begin(), list.end()};
}

// Closes every top-level window that was not there before, as the user closes a module window.
int closeNewWindows(const std::set<QWidget*>& before)
{
    int closed = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (before.count(w) || !w->isVisible())
            continue;
        w->close();
        ++closed;
    }
    settle();
    return closed;
}

bool fail(const char* what)
{
    std::fprintf(stderr, "MemoryBench: %s\n", what);
    return false;
}

struct Counts
{
    int groups = 1000;
    int windows = 200;
    int companies = 200;
};

class Day
{
public:
    Day(TBaseMainForm& w, platform::RecordingMessageService& messages)
        : m_w(w), m_messages(messages)
    {
    }

    bool clickGroups(int n)
    {
        const int count = m_w.MenuProgrammi->groupCount();
        if (count == 0)
            return fail("the navigation bar has no groups");
        for (int i = 0; i < n; ++i) {
            NavigationBar::Group* group = m_w.MenuProgrammi->group(i % count);
            group->button()->click();
            settle();
            // The click must have put that program's menus in the menu bar.
            if (CostruttoreMenu::programmaDi(m_w.MenuPrincipale) != group->tag())
                return fail("a group click did not show its program's menus");
        }
        return m_messages.boxes().empty() || fail("a message box during the group clicks");
    }

    bool openAndCloseAgenda(int n)
    {
        for (int i = 0; i < n; ++i) {
            const std::set<QWidget*> before = topLevels();
            // "Anagrafiche" > "Rubrica" > "Elenco contatti": the agenda with its call-log row.
            m_w.EseguiFunzioneVoce(10, 110, 1);
            settle();
            if (closeNewWindows(before) == 0)
                return fail("the agenda did not open");
        }
        return m_messages.boxes().empty() || fail("a message box while opening the agenda");
    }

    bool changeCompany(int n)
    {
        for (int i = 0; i < n; ++i) {
            const QString before = m_w.windowTitle();
            m_w.FormKeyUp(Qt::Key_F12);
            settle();
            if (m_w.windowTitle() == before)
                return fail("F12 did not change the company");
        }
        return m_messages.boxes().empty() || fail("a message box while changing company");
    }

private:
    TBaseMainForm& m_w;
    platform::RecordingMessageService& m_messages;
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    Counts counts;
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        const int value = arguments.at(i + 1).toInt();
        if (arguments.at(i) == QLatin1String("--groups"))
            counts.groups = value;
        else if (arguments.at(i) == QLatin1String("--windows"))
            counts.windows = value;
        else if (arguments.at(i) == QLatin1String("--companies"))
            counts.companies = value;
    }

    // The demo program folder, with the agenda module beside the program as on a workstation.
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("programma"));
    const QDir built(QString::fromUtf8(test::kProgramDir));
    if (QProcess::execute(built.filePath(QStringLiteral("velkora-admin")),
                          {QStringLiteral("demo"), folder}) != 0)
        return fail("velkora-admin demo failed"), 1;
    for (const QString& library : built.entryList({QStringLiteral("libRubrivo.so")}))
        QFile::copy(built.filePath(library), QDir(folder).filePath(library));

    platform::RecordingMessageService messages;
    QString programFolder = QDir::toNativeSeparators(folder) + QDir::separator();
    // The module libraries build their own data forms on the process's environment and open
    // the user database of the program folder, as in the program started there.
    const platform::Environment environment{programFolder, &messages};
    platform::Environment::process() = environment;
    QDir::setCurrent(folder);
    auto w = std::make_unique<TBaseMainForm>(environment);
    w->show();
    const std::set<QWidget*> beforeLogin = topLevels();
    w->ComboUtenti->setCurrentIndex(w->ComboUtenti->findText(QStringLiteral("Mario Rossi")));
    w->EditPassword->setText(QStringLiteral("rossi"));
    w->ButtonOk->click();
    settle();
    // His agenda opens at login; the day starts once it is closed.
    closeNewWindows(beforeLogin);
    if (!messages.boxes().empty())
        return fail(qPrintable(QStringLiteral("a box at login: ") + messages.boxes().front().text)), 1;

    Day day(*w, messages);
    // One round of each first: libraries loaded, caches and pools filled.
    if (!day.clickGroups(20) || !day.openAndCloseAgenda(5) || !day.changeCompany(4))
        return 1;

    const long start = residentKiB();
    std::printf("resident at start       %8ld KiB\n", start);
    long last = start;
    const auto phase = [&](const char* name, bool ok) {
        const long now = residentKiB();
        std::printf("after %-18s%8ld KiB  (%+ld KiB)\n", name, now, now - last);
        last = now;
        return ok;
    };
    if (!phase("group clicks", day.clickGroups(counts.groups))
        || !phase("agenda windows", day.openAndCloseAgenda(counts.windows))
        || !phase("company changes", day.changeCompany(counts.companies)))
        return 1;
    std::printf("growth over the day     %8ld KiB (target under 2048 KiB)\n", last - start);

    w->close();
    w.reset();
    settle();
    return 0;
}

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/RecordingMessageService.h"
#include "platform/SilentAbort.h"
#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <new>
#include <stdexcept>
#include <vector>

namespace vp = velkora::platform;
using vp::GuardedApplication;

namespace {

TEST(GuardedApplicationTest, ExceptionsBecomeErrorBoxesExceptSilentAbort)
{
    struct Case
    {
        const char* name;
        std::function<bool()> deliver;
        bool expected;
        QStringList boxes;
    };
    const Case cases[] = {
        {"handled event passes through", [] { return true; }, true, {}},
        {"unhandled event passes through", [] { return false; }, false, {}},
        {"standard exception shows its text",
         []() -> bool { throw std::runtime_error("Record già in uso: è bloccato"); }, false,
         {QStringLiteral("Record già in uso: è bloccato")}},
        {"logic error too", []() -> bool { throw std::logic_error("campo sconosciuto"); },
         false, {"campo sconosciuto"}},
        {"silent abort shows nothing", []() -> bool { throw vp::SilentAbort(); }, false, {}},
        {"unknown exception", []() -> bool { throw 42; }, false, {"Errore imprevisto"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vp::RecordingMessageService messages;
        EXPECT_EQ(GuardedApplication::guard(c.deliver, messages), c.expected);
        EXPECT_EQ(messages.texts(), c.boxes);
        for (const auto& box : messages.boxes())
            EXPECT_EQ(box.kind, vp::BoxKind::Error);
    }
}

// An object whose event handler fails, as a window's click handler does when the database
// refuses a change.
class FailingObject : public QObject
{
public:
    bool event(QEvent* event) override
    {
        if (event->type() == QEvent::User)
            throw std::runtime_error("aggiornamento rifiutato");
        return QObject::event(event);
    }
};

TEST(GuardedApplicationTest, ExceptionFromARealEventHandlerIsReported)
{
    vp::RecordingMessageService messages;
    FailingObject object;
    QEvent event(QEvent::User);
    EXPECT_FALSE(GuardedApplication::guard(
        [&] { return QCoreApplication::sendEvent(&object, &event); }, messages));
    EXPECT_EQ(messages.texts(), QStringList({"aggiornamento rifiutato"}));

    // The application goes on delivering events afterwards.
    QEvent other(QEvent::None);
    EXPECT_FALSE(GuardedApplication::guard(
        [&] { return QCoreApplication::sendEvent(&object, &other); }, messages));
    EXPECT_EQ(messages.texts().size(), 1);
}

// What the engine and the libraries say in English never becomes the message of a box: the real
// engine's failures, a misuse of the db layer and the standard library's own errors.
TEST(GuardedApplicationTest, EnglishTextsGoToTheDetailUnderAnItalianMessage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = velkora::test::copyTemplate(dir.filePath("user.fdb"));
    velkora::db::Database database;
    velkora::test::attach(database, path);
    velkora::db::Transaction transaction(&database);
    velkora::db::Database detached;

    struct Case
    {
        const char* name;
        std::function<void()> fail;
        QString message;
        QString detailHas;
    };
    const Case cases[] = {
        {"a statement the engine refuses",
         [&] {
             velkora::db::Query q(&database, &transaction);
             q.add("SELECT * FROM UTENTI_CHE_NON_CI_SONO");
             q.open();
         },
         "Errore nell'accesso al database.", "Table unknown"},
        {"a query on a database never attached",
         [&] {
             velkora::db::Query q(&detached, &transaction);
             q.add("SELECT 1 FROM RDB$DATABASE");
             q.open();
         },
         "Il database non è collegato: l'operazione non può essere eseguita. Riavviare il programma "
         "quando il database è disponibile.",
         "query on a detached database"},
        {"a misuse of the db layer",
         [&] {
             velkora::db::Query q(&database, &transaction);
             q.add("SELECT 1 FROM RDB$DATABASE");
             q.open();
             (void)q.asString("NESSUN_CAMPO");
         },
         "Si è verificato un errore interno del programma nell'accesso al database.",
         "field not found: NESSUN_CAMPO"},
        {"a failure of the standard library",
         [] { (void)std::vector<int>().at(3); }, "Si è verificato un errore imprevisto.",
         "_M_range_check"},
        {"no memory", [] { throw std::bad_alloc(); },
         "Memoria insufficiente per completare l'operazione.", "bad_alloc"},
    };
    // What the program writes to its warning output, where a fault is looked into later.
    static QStringList avvisi;
    const QtMessageHandler precedente =
        qInstallMessageHandler([](QtMsgType tipo, const QMessageLogContext&, const QString& testo) {
            if (tipo == QtWarningMsg)
                avvisi << testo;
        });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        vp::RecordingMessageService messages;
        avvisi.clear();
        EXPECT_FALSE(GuardedApplication::guard(
            [&]() -> bool {
                c.fail();
                return true;
            },
            messages));
        EXPECT_TRUE(std::any_of(avvisi.begin(), avvisi.end(),
                                [&](const QString& a) { return a.contains(c.detailHas); }))
            << avvisi.join(QLatin1Char('|')).toStdString();
        ASSERT_EQ(messages.boxes().size(), 1u);
        EXPECT_EQ(messages.boxes()[0].kind, vp::BoxKind::Error);
        EXPECT_EQ(messages.boxes()[0].text, c.message);
        EXPECT_TRUE(messages.boxes()[0].detail.contains(c.detailHas))
            << messages.boxes()[0].detail.toStdString();
        if (transaction.active())
            transaction.rollback();
    }
    qInstallMessageHandler(precedente);
}

} // namespace

#include "platform/GuardedApplication.h"
#include "platform/RecordingMessageService.h"
#include "platform/SilentAbort.h"

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

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

} // namespace

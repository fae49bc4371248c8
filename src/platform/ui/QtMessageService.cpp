#include "platform/ui/QtMessageService.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTranslator>

namespace velkora::platform {

namespace {

QMessageBox::Icon iconFor(BoxKind kind)
{
    switch (kind) {
    case BoxKind::Error:
        return QMessageBox::Critical;
    case BoxKind::Warning:
        return QMessageBox::Warning;
    case BoxKind::Information:
        return QMessageBox::Information;
    case BoxKind::Confirmation:
        return QMessageBox::Question;
    case BoxKind::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

// The button that opens a box's detail is labelled by Qt through its translations; this one
// gives it the suite's language whatever translations are installed, and leaves every other text
// to them.
class DetailButtonTexts : public QTranslator
{
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, "QMessageBox") != 0)
            return {};
        if (qstrcmp(sourceText, "Show Details...") == 0)
            return QStringLiteral("Mostra dettagli...");
        if (qstrcmp(sourceText, "Hide Details...") == 0)
            return QStringLiteral("Nascondi dettagli...");
        return {};
    }
};

void installDetailButtonTexts()
{
    static DetailButtonTexts* texts = [] {
        auto* t = new DetailButtonTexts(QCoreApplication::instance());
        QCoreApplication::installTranslator(t);
        return t;
    }();
    Q_UNUSED(texts);
}

// A question with Yes and No is answered with one of them, as on Windows: Escape and the
// close button of the title bar do nothing, so that no "No" is given by accident (to "Salvare le
// modifiche apportate?" it would throw the user's work away).
class SoloSiONo : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel))
            return true;
        if (event->type() == QEvent::Close && event->spontaneous()) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

bool QtMessageService::present(BoxKind kind, const QString& text, const QString& detail,
                               QWidget* parent)
{
    QMessageBox box(iconFor(kind), QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::NoButton, parent);
    // Texts come from database errors and user data; a "<" in them must not turn into markup.
    box.setTextFormat(Qt::PlainText);
    if (!detail.isEmpty()) {
        // Before the detail: the button is labelled when it is made.
        installDetailButtonTexts();
        box.setDetailedText(detail);
    }
    if (kind != BoxKind::Confirmation) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return true;
    }

    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    // The button texts follow the suite's language, whatever translations Qt has loaded.
    box.button(QMessageBox::Yes)->setText(QStringLiteral("Sì"));
    box.button(QMessageBox::No)->setText(QStringLiteral("No"));
    box.setDefaultButton(QMessageBox::Yes);
    SoloSiONo soloRisposta;
    box.installEventFilter(&soloRisposta);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

int QtMessageService::execDialog(QDialog& dialog)
{
    if (unattended())
        return QDialog::Rejected;
    return dialog.exec();
}

} // namespace velkora::platform

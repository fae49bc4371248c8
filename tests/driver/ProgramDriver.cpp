// The start program exactly as velkora runs it, steered from inside to the state named by its
// first argument through the real widgets. When the state is reached it writes "pronto" on its
// standard output and goes on running until something ends it (the test sends a signal).
//
// States:
//   avvio           a box of the main window's start, over the window ("Directory "Grafica"
//                   mancante", when the current directory has no Grafica folder)
//   attesa          the login window with its user list, nothing done
//   negato          a wrong password: the box "Accesso negato..." open over the main window
//   agenda          logged in as Mario Rossi: the main window and his agenda open
//   chiusura        as agenda, then the main window closed ("pronto" as it closes): the program
//                   closes the agenda and ends by itself (the main window closes with the agenda
//                   open when the call log has no window columns, as in older databases; the driver
//                   takes that answer of the start-up probe)
//   rifiuto         as agenda, then the main window asked to close: the warning "Chiudere prima
//                   tutte le finestre aperte" open over it
//   dialogo         as agenda, then a new contact confirmed with no name: the agenda's dialog
//                   and its warning box open on top of each other
//   cliente         as agenda, then the customer list opened through the menu search and
//                   " Z9" typed at the end of the first customer's notes, not saved
//   comandi         the login window, then a workstation steered by commands read from standard
//                   input, one JSON reply line each (see Comandi.h); "pronto" comes first
//
// With "foto FOLDER" it walks a user's way instead (login, the working state with a menu open,
// the agenda, the open-sessions window, the company dialog, the menu search, the customer list
// and its print preview), saves a picture of each window as
// the screen shows it, frame included, into FOLDER and ends. Run under an X server with a
// window manager (scripts/screenshots.sh) for pictures as a user sees them.

#include "Comandi.h"
#include "data/TabX.h"
#include "menu/RicercaMenu.h"
#include "dialoghi/Sessioni.h"
#include "shell/BaseMain.h"
#include "shell/Program.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using velkora::TBaseMainForm;

namespace {

// A step waits for its condition, then acts; the action runs on its own turn of the event loop,
// so an action that opens a box (and its loop) does not stop the next conditions being checked.
struct Passo
{
    std::function<bool()> quando;
    std::function<void()> azione;
};

QWidget* finestra(const char* nome)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(nome) && w->isVisible())
            return w;
    }
    return nullptr;
}

bool boxCon(const QString& inizio)
{
    const auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    return box && box->isVisible() && box->text().startsWith(inizio);
}

void accedi(TBaseMainForm& main, const QString& password)
{
    main.ComboUtenti->setCurrentIndex(main.ComboUtenti->findText(QStringLiteral("Mario Rossi")));
    main.EditPassword->setText(password);
    main.ButtonOk->click();
}

std::vector<Passo> copione(const QByteArray& stato, TBaseMainForm& main)
{
    const QPointer<TBaseMainForm> principale(&main);
    // The login window is on the screen before its user list: a user waits for the list.
    const auto pronta = [principale] {
        return principale && principale->isVisible() && principale->avviato();
    };
    const Passo loginRiuscito{pronta,
                              [principale] { accedi(*principale, QStringLiteral("rossi")); }};
    const auto agendaAperta = [] { return finestra("ContattAgendaForm") != nullptr; };
    const auto niente = [] {};

    if (stato == "attesa")
        return {{pronta, niente}};
    if (stato == "comandi")
        return {{pronta, [principale] { avviaComandi(*principale); }}};
    if (stato == "negato")
        return {{pronta,
                 [principale] { accedi(*principale, QStringLiteral("sbagliata")); }},
                {[] { return boxCon(QStringLiteral("Accesso negato")); }, niente}};
    if (stato == "agenda")
        return {loginRiuscito, {agendaAperta, niente}};
    if (stato == "chiusura")
        // "pronto" comes as the main window is closed: the program ends by itself right after.
        return {loginRiuscito, {agendaAperta, [principale] {
                                    principale->LogFinestre = false;
                                    principale->close();
                                }}};
    if (stato == "rifiuto")
        return {loginRiuscito,
                {agendaAperta, [principale] { principale->close(); }},
                {[] { return boxCon(QStringLiteral("Chiudere prima tutte le finestre aperte")); },
                 niente}};
    // One of the main window's own dialogs open over it, with the agenda open too: the company
    // choice (F9), the open sessions, the parameter-set editor.
    const std::pair<const char*, std::pair<const char*, std::function<void()>>> dialoghi[] = {
        {"ditta", {"SelezDittaForm", [principale] { principale->FormKeyUp(Qt::Key_F9); }}},
        {"sessioni", {"SessioniForm", [principale] { principale->Sessioni1->trigger(); }}},
        {"editor", {"MemoVelkoraForm", [principale] { principale->Accessoavelkora1->trigger(); }}},
    };
    for (const auto& [nome, dialogo] : dialoghi) {
        if (stato != nome)
            continue;
        const QString oggetto = QLatin1String(dialogo.first);
        return {loginRiuscito,
                {agendaAperta, dialogo.second},
                {[oggetto] {
                     QWidget* m = QApplication::activeModalWidget();
                     return m && m->objectName() == oggetto && m->isVisible();
                 },
                 niente}};
    }
    if (stato == "cliente") {
        const auto note = [] {
            QWidget* f = finestra("TClientiForm");
            return f ? f->findChild<QLineEdit*>(QStringLiteral("EditNOTE")) : nullptr;
        };
        return {loginRiuscito,
                {agendaAperta,
                 [principale] {
                     principale->RicercaVoci->campo()->setFocus();
                     principale->RicercaVoci->campo()->setText(QStringLiteral("elenco cli"));
                     QKeyEvent invio(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                     QApplication::sendEvent(principale->RicercaVoci->campo(), &invio);
                 }},
                {[note] { return note() != nullptr; },
                 [note] {
                     // Typed as a user types, so the window takes the row's lock and marks the
                     // change.
                     QLineEdit* campo = note();
                     campo->setFocus();
                     campo->end(false);
                     for (const QString& lettera : {QStringLiteral(" "), QStringLiteral("Z"), QStringLiteral("9")}) {
                         QKeyEvent tasto(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, lettera);
                         QApplication::sendEvent(campo, &tasto);
                     }
                 }},
                {[note] { return note() && note()->text().endsWith(QLatin1String(" Z9")); }, niente}};
    }
    if (stato == "dialogo")
        return {loginRiuscito,
                {agendaAperta,
                 [] {
                     finestra("ContattAgendaForm")
                         ->findChild<QPushButton*>(QStringLiteral("ButtonNuovo"))
                         ->click();
                 }},
                {[] {
                     QWidget* m = QApplication::activeModalWidget();
                     return m && m->objectName() == QLatin1String("ContattoDialog");
                 },
                 [] {
                     QApplication::activeModalWidget()
                         ->findChild<QPushButton*>(QStringLiteral("ButtonOk"))
                         ->click();
                 }},
                {[] { return boxCon(QStringLiteral("Inserire il nome")); }, niente}};
    return {};
}

// The window as the screen shows it, with its frame and whatever stands over it (an open menu).
void fotografa(QWidget* w, const QString& file)
{
    const QRect r = w->frameGeometry();
    const QPixmap foto = w->screen()->grabWindow(0, r.x(), r.y(), r.width(), r.height());
    if (!foto.save(file))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
}

QWidget* modale(const char* nome)
{
    QWidget* m = QApplication::activeModalWidget();
    return m && m->objectName() == QLatin1String(nome) && m->isVisible() ? m : nullptr;
}

std::vector<Passo> foto(TBaseMainForm& main, const QString& cartella)
{
    const QPointer<TBaseMainForm> principale(&main);
    const auto file = [cartella](const char* nome) {
        return QDir(cartella).filePath(QLatin1String(nome));
    };
    // A pause of some turns of the loop, so the window manager has drawn the frames.
    auto attesa = std::make_shared<int>(0);
    const auto dopoUnPo = [attesa] { return ++*attesa % 40 == 0; };
    const auto niente = [] {};
    return {
        {[principale] { return principale && principale->isVisible() && principale->avviato(); },
         [principale] {
             principale->ComboUtenti->setCurrentIndex(
                 principale->ComboUtenti->findText(QStringLiteral("Mario Rossi")));
             principale->EditPassword->setText(QStringLiteral("rossi"));
         }},
        {dopoUnPo, [principale, file] { fotografa(principale, file("accesso.png")); }},
        {[] { return true; }, [principale] { principale->ButtonOk->click(); }},
        {[] { return finestra("ContattAgendaForm") != nullptr; }, niente},
        {dopoUnPo, [file] { fotografa(finestra("ContattAgendaForm"), file("agenda.png")); }},
        {[] { return true; },
         [principale] {
             finestra("ContattAgendaForm")->showMinimized();
             principale->raise();
             principale->activateWindow();
             const QList<QAction*> menu = principale->MenuPrincipale->actions();
             if (menu.size() > 1)
                 principale->MenuPrincipale->setActiveAction(menu[1]);
         }},
        {dopoUnPo, [principale, file] { fotografa(principale, file("lavoro.png")); }},
        {[] { return true; },
         [principale] {
             if (QWidget* popup = QApplication::activePopupWidget())
                 popup->close();
             principale->Sessioni1->trigger();
         }},
        {[] { return modale("SessioniForm") != nullptr; },
         [] {
             auto* f = static_cast<velkora::TSessioniForm*>(modale("SessioniForm"));
             f->GridSessioniDblClick();
         }},
        {dopoUnPo,
         [file] {
             QWidget* f = modale("SessioniForm");
             fotografa(f, file("sessioni.png"));
             static_cast<QDialog*>(f)->reject();
         }},
        {[] { return QApplication::activeModalWidget() == nullptr; },
         [principale] { principale->FormKeyUp(Qt::Key_F9); }},
        {[] { return modale("SelezDittaForm") != nullptr; }, niente},
        {dopoUnPo,
         [file] {
             QWidget* f = modale("SelezDittaForm");
             fotografa(f, file("ditta.png"));
             static_cast<QDialog*>(f)->reject();
         }},
        // The menu search with two typed words, then Enter on the first item found: the
        // customer list, whose print button shows the report's preview.
        {[] { return QApplication::activeModalWidget() == nullptr; },
         [principale] {
             principale->RicercaVoci->campo()->setFocus();
             principale->RicercaVoci->campo()->setText(QStringLiteral("elenco cli"));
         }},
        {dopoUnPo, [principale, file] { fotografa(principale, file("ricerca.png")); }},
        {[] { return true; },
         [principale] {
             QKeyEvent invio(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
             QApplication::sendEvent(principale->RicercaVoci->campo(), &invio);
         }},
        {[] { return finestra("TClientiForm") != nullptr; }, niente},
        {dopoUnPo, [file] { fotografa(finestra("TClientiForm"), file("clienti.png")); }},
        {[] { return true; },
         [] {
             finestra("TClientiForm")
                 ->findChild<QPushButton*>(QStringLiteral("ButtonStampa"))
                 ->click();
         }},
        {[] { return modale("AnteprimaStampa") != nullptr; }, niente},
        {dopoUnPo,
         [file] {
             QWidget* f = modale("AnteprimaStampa");
             fotografa(f, file("anteprima.png"));
             static_cast<QDialog*>(f)->reject();
         }},
        {[] { return QApplication::activeModalWidget() == nullptr; },
         [] { QCoreApplication::exit(0); }},
    };
}

// Runs the steps, one condition at a time, on a timer of the application; writes "pronto" when
// the last condition holds.
void segui(std::vector<Passo> copione)
{
    auto passi = std::make_shared<std::vector<Passo>>(std::move(copione));
    auto indice = std::make_shared<std::size_t>(0);
    auto* orologio = new QTimer(qApp);
    QObject::connect(orologio, &QTimer::timeout, orologio, [passi, indice, orologio] {
        if (*indice >= passi->size() || !(*passi)[*indice].quando())
            return;
        const std::function<void()> azione = (*passi)[(*indice)++].azione;
        if (*indice == passi->size()) {
            orologio->stop();
            std::fputs("pronto\n", stdout);
            std::fflush(stdout);
        }
        QTimer::singleShot(0, qApp, azione);
    });
    orologio->start(5);
}

} // namespace

int main(int argc, char** argv)
{
    const QByteArray stato = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    velkora::ProgramHooks hooks;
    if (stato == "avvio") {
        hooks.beforeMainWindow = [] {
            segui(
                {{[] { return boxCon(QStringLiteral("Directory \"Grafica\" mancante")); }, [] {}}});
        };
        return velkora::runProgram(argc, argv, hooks);
    }
    const QString cartellaFoto = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    hooks.started = [stato, cartellaFoto](TBaseMainForm& main) {
        std::vector<Passo> passi =
            stato == "foto" ? foto(main, cartellaFoto) : copione(stato, main);
        if (passi.empty()) {
            std::fprintf(stderr, "stato sconosciuto: %s\n", stato.constData());
            // The loop is not running yet: the exit has to wait for it.
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(2); });
            return;
        }
        segui(std::move(passi));
    };
    return velkora::runProgram(argc, argv, hooks);
}

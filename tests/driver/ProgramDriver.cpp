// The start program exactly as velkora runs it, steered from inside to the state named by its
// first argument through the real widgets. When the state is reached it writes "pronto" on its
// standard output and goes on running until something ends it (the test sends a signal).
//
// States:
//   attesa          the login window, nothing done
//   negato          a wrong password: the box "Accesso negato..." open over the main window
//   agenda          logged in as Mario Rossi: the main window and his agenda open
//   solo-agenda     as agenda, then the main window closed: only the agenda left
//   dialogo         as agenda, then a new contact confirmed with no name: the agenda's dialog
//                   and its warning box open on top of each other

#include "shell/BaseMain.h"
#include "shell/Program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
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
    const Passo loginRiuscito{[] { return true; },
                              [principale] { accedi(*principale, QStringLiteral("rossi")); }};
    const auto agendaAperta = [] { return finestra("ContattAgendaForm") != nullptr; };
    const auto niente = [] {};

    if (stato == "attesa")
        return {{[principale] { return principale && principale->isVisible(); }, niente}};
    if (stato == "negato")
        return {{[] { return true; },
                 [principale] { accedi(*principale, QStringLiteral("sbagliata")); }},
                {[] { return boxCon(QStringLiteral("Accesso negato")); }, niente}};
    if (stato == "agenda")
        return {loginRiuscito, {agendaAperta, niente}};
    if (stato == "solo-agenda")
        return {
            loginRiuscito,
            {agendaAperta, [principale] { principale->close(); }},
            {[principale, agendaAperta] { return principale.isNull() && agendaAperta(); }, niente}};
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

} // namespace

int main(int argc, char** argv)
{
    const QByteArray stato = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    return velkora::runProgram(argc, argv, [stato](TBaseMainForm& main) {
        auto passi = std::make_shared<std::vector<Passo>>(copione(stato, main));
        if (passi->empty()) {
            std::fprintf(stderr, "stato sconosciuto: %s\n", stato.constData());
            // The loop is not running yet: the exit has to wait for it.
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(2); });
            return;
        }
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
    });
}

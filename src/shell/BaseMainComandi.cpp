// The keyboard commands of the main window (change of user and of company), the items of the
// menu "Sistema" and the closing of the window.

#include "data/TabX.h"
#include "db/DbError.h"
#include "menu/CostruttoreMenu.h"
#include "menu/NavigationBar.h"
#include "menu/RicercaMenu.h"
#include "params/CambioDitta.h"
#include "params/Ditte.h"
#include "dialoghi/SelezDitta.h"
#include "platform/MessageService.h"
#include "platform/ui/WindowHandles.h"
#include "services/WindowPositions.h"
#include "sessions/FinestreAperte.h"
#include "dialoghi/Sessioni.h"
#include "shell/BaseMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>

namespace velkora {

void TBaseMainForm::FormKeyUp(int tasto)
{
    if (MantieniStdMin || !SessioneAperta)
        return;
    switch (tasto) {
    case Qt::Key_F8:
        cambioUtente();
        break;
    case Qt::Key_F9:
        cambioDittaConDialogo();
        break;
    case Qt::Key_F12:
        cambioDittaSuccessiva();
        break;
    default:
        break;
    }
}

void TBaseMainForm::cambioDittaConDialogo()
{
    leggiDitteAggiornate();
    QString ditta;
    {
        TSelezDittaForm dialogo(this, PTabXForm.get());
        if (messages().execDialog(dialogo) != 1)
            return;
        ditta = dialogo.dittaScelta();
    }
    memorizzaDitta(ditta);
}

void TBaseMainForm::cambioDittaSuccessiva()
{
    // The same list as the company dialog shows, with the same entry selected, without showing
    // anything.
    leggiDitteAggiornate();
    const ElencoDitte elenco =
        elencoDitte(tabX()->QueryVelkora, tabX()->NumUser, tabX()->DittaCorrente);
    const int indice =
        indiceDittaSuccessiva(elenco.selezionata, static_cast<int>(elenco.ditte.size()));
    // A user without companies (his list holds at most one entry without a name) has nothing
    // to move to.
    if (indice < 0 || elenco.ditte.at(indice).isEmpty())
        return;
    memorizzaDitta(elenco.ditte.at(indice));
}

void TBaseMainForm::leggiDitteAggiornate()
{
    // The companies are read through the data form's transaction, which may have started long
    // ago: it starts again, so companies added or renamed since are listed as they are now.
    tabX()->QueryVelkora.close();
    tabX()->TransazioneUser.restart();
}

void TBaseMainForm::memorizzaDitta(const QString& ditta)
{
    if (!memorizzaDittaUtente(QueryAux, messages(), this, tabX()->NumUser, ditta))
        return;
    tabX()->SetUserPerNome(tabX()->NomeUser);
    // Set again, the user reads back the company stored under him. Another workstation of the
    // same user may have stored its own company in between; this workstation keeps the one
    // chosen here (and stores it again before its next module call).
    tabX()->DittaCorrente = ditta;
    setWindowTitle(QStringLiteral("Ditta: ") + tabX()->DittaCorrente +
                   QStringLiteral(" - Utente: ") + tabX()->NomeUser);
    // A bar without groups (a login stopped for a missing profile or project) has no program
    // whose menus could be rebuilt.
    if (NavigationBar::Group* attivo = MenuProgrammi->activeGroup())
        CaricaMenu(attivo->tag());
}

void TBaseMainForm::cambioUtente()
{
    setWindowTitle(QStringLiteral("Autenticazione"));
    PanelLogIn->show();
    MenuProgrammi->hide();
    // The session of the user who leaves stays open, and the window's place is not stored.
    SessioneAperta = false;
    Sessioni1->setEnabled(false);
    Accessoavelkora1->setEnabled(false);
    LabelCambioDitta->setEnabled(false);
    LabelCambioUtente->setEnabled(false);
    LabelCambioDitta->repaint();
    LabelCambioUtente->repaint();
    CostruttoreMenu::togliMenuProgramma(MenuPrincipale);
    VociMenu.fill(nullptr);
    VociRapide.fill(nullptr);
    GruppiProgrammi.fill(nullptr);
    IconeProgrammi.clear();
    Icone2Programmi.clear();
    MenuProgrammi->removeAllGroups();
    ContaVoci = 1;
    // The search field forgets what the user who left typed; the next user's menus are read
    // again when he searches.
    RicercaVoci->annulla();
    m_indiceRicercaScaduto = true;
    m_preferiti.clear();
    mostraPreferiti();
    // The password of the user who left is not left typed for the next one: with it, anyone at
    // the workstation could log in as him by pressing Enter. His name stays picked.
    EditPassword->clear();
    ComboUtenti->setFocus();
}

bool TBaseMainForm::VerificaFinestreAperte()
{
    return verificaFinestreAperte(QueryAux, CodiceSessione, platform::esisteFinestra);
}

bool TBaseMainForm::FormClose()
{
    if (SessioneAperta) {
        bool aperte = false;
        if (LogFinestre && !m_chiusuraForzata) {
            try {
                aperte = !VerificaFinestreAperte();
            } catch (const db::DbError& e) {
                // Without an answer from the database the windows cannot be checked; the user
                // learns why and may still leave.
                messages().error(
                    QStringLiteral(
                        "Impossibile verificare le finestre aperte: il database non risponde"),
                    e.message(), this);
            }
        }
        if (aperte) {
            messages().warning(QStringLiteral("Chiudere prima tutte le finestre aperte"), this);
            return false;
        }
        // A database that no longer answers must not keep the user from leaving: the failure is
        // shown and the window closes all the same.
        try {
            ChiudiSessione();
        } catch (const db::DbError& e) {
            messages().error(
                QStringLiteral("Errore interno: impossibile chiudere la sessione utente"),
                e.message(), this);
        }
        try {
            SalvaPosizioneFinestra(this, tabX()->NumUser, 1, 1, tabX()->IBDatabaseUser);
        } catch (const db::DbError& e) {
            messages().error(
                QStringLiteral("Errore interno: impossibile salvare la posizione della finestra"),
                e.message(), this);
        }
        // Done once: a second closing (the window asked again while it goes) writes nothing.
        SessioneAperta = false;
    }
    return true;
}

void TBaseMainForm::closeEvent(QCloseEvent* event)
{
    if (m_accessoInCorso) {
        // Halfway through a login the session is not yet open: closing now would leave the one
        // the login then opens for nobody to close.
        m_chiusuraDopoAccesso = true;
        event->ignore();
        return;
    }
    if (!FormClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TBaseMainForm::Esci1Click()
{
    close();
}

void TBaseMainForm::Sessioni1Click()
{
    TSessioniForm finestra(this, PTabXForm.get());
    messages().execDialog(finestra);
}

} // namespace velkora

// The login of the main window: from the login panel to the working state.

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/SqlText.h"
#include "menu/NavigationBar.h"

#include <QAbstractButton>
#include "platform/MessageService.h"
#include "services/WindowPositions.h"
#include "shell/BaseMain.h"
#include "shell/Iniz.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QToolButton>

#include <memory>

namespace velkora {

namespace {

// The login panel is disabled while a login runs: the login lets the event loop run (to paint
// the splash), and a second press of OK or Enter waiting in the queue would otherwise log in a
// second time. The panel comes back however the login ends, with the focus where it was, so a
// refused user can type again; after a good login it is hidden anyway.
class AccessoInCorso
{
public:
    explicit AccessoInCorso(QWidget* pannello)
        : m_pannello(pannello)
        , m_fuoco(QApplication::focusWidget())
    {
        m_pannello->setEnabled(false);
    }
    ~AccessoInCorso()
    {
        if (!m_pannello)
            return;
        m_pannello->setEnabled(true);
        if (m_fuoco && m_pannello->isVisible())
            m_fuoco->setFocus();
    }
    AccessoInCorso(const AccessoInCorso&) = delete;
    AccessoInCorso& operator=(const AccessoInCorso&) = delete;

private:
    QPointer<QWidget> m_pannello;
    QPointer<QWidget> m_fuoco;
};

} // namespace

void TBaseMainForm::ButtonOkClick()
{
    // A call queued before the panel went out of use (a login is running).
    if (!PanelLogIn->isEnabledTo(this))
        return;
    const AccessoInCorso inCorso(PanelLogIn);
    // The splash belongs to the window and goes when the login ends, whatever happens.
    auto splash = std::make_unique<TInizForm>(this);
    splash->setWindowFlags(Qt::Dialog);

    const QString nome = ComboUtenti->currentText();
    if (!accessoVerificaPassword(nome, EditPassword->text()))
        return;
    accessoMostraLavoro(*splash);
    accessoApriUtente(nome);
    if (!accessoLeggiConfigurazione())
        return;
    accessoCaricaBarraEMenu();
    accessoPosizioneFinestra();
    accessoAgenda();
}

bool TBaseMainForm::accessoVerificaPassword(const QString& nome, const QString& password)
{
    if (tabX()->VerificaPasswordUser(nome, password))
        return true;
    messages().error(QStringLiteral("Accesso negato: scegliere un'utente ed inserire l'eventuale password. Fare attenzione al maiuscolo / minuscolo"),
                     this);
    EditPassword->clear();
    return false;
}

void TBaseMainForm::accessoMostraLavoro(QWidget& splash)
{
    splash.show();
    QApplication::processEvents();
    PanelLogIn->hide();
    MenuProgrammi->show();
}

void TBaseMainForm::accessoApriUtente(const QString& nome)
{
    TTabXForm* form = tabX();
    form->SetUserPerNome(nome);
    ApriSessione();
    SessioneAperta = true;
    Sessioni1->setEnabled(true);
    QueryAux.close();
    QueryAux.clear();
    QueryAux.add(QStringLiteral("SELECT ACCESSOVELKORA FROM UTENTI WHERE"));
    QueryAux.add(QStringLiteral("CODICE=") + db::quotedInt(form->NumUser));
    QueryAux.open();
    if (!QueryAux.isEmpty() && QueryAux.asString(0) == QLatin1String("1"))
        Accessoavelkora1->setEnabled(true);
}

bool TBaseMainForm::accessoLeggiConfigurazione()
{
    TTabXForm* form = tabX();
    QueryAux.close();
    QueryAux.clear();
    QueryAux.add(QStringLiteral("SELECT PROFILOSICUREZZA,PROGETTO,MANTIENISTDMIN"));
    QueryAux.add(QStringLiteral("FROM UTENTI WHERE CODICE=") + db::quotedInt(form->NumUser));
    QueryAux.open();
    const bool riga = !QueryAux.isEmpty();
    const QString profilo = riga ? QueryAux.asString(QStringLiteral("PROFILOSICUREZZA")) : QString();
    const QString progetto = riga ? QueryAux.asString(QStringLiteral("PROGETTO")) : QString();
    if (riga && QueryAux.asString(QStringLiteral("MANTIENISTDMIN")) == QLatin1String("1"))
        MantieniStdMin = true;
    const QString inizio = QStringLiteral("E' stato trovato un errore nella configurazione dell'utente ");
    if (profilo.isEmpty() && !MantieniStdMin) {
        messages().error(inizio + form->NomeUser + QStringLiteral(": manca il profilo sicurezza"), this);
        return false;
    }
    if (progetto.isEmpty()) {
        messages().error(inizio + form->NomeUser + QStringLiteral(": manca il progetto"), this);
        return false;
    }
    NumProgetto = progetto.toInt();
    NumProfilo = profilo.toInt();
    return true;
}

void TBaseMainForm::accessoCaricaBarraEMenu()
{
    TTabXForm* form = tabX();
    setWindowTitle(QStringLiteral("Ditta: ") + form->DittaCorrente + QStringLiteral(" - Utente: ") + form->NomeUser);
    bool configurato = true;
    QString dettaglio;
    try {
        CaricaProgrammi();
        // No group has been made active yet: the first one becomes the active one.
        if (!MenuProgrammi->activeGroup() && MenuProgrammi->groupCount() > 0)
            MenuProgrammi->setActiveGroup(MenuProgrammi->group(0));
        if (NavigationBar::Group* attivo = MenuProgrammi->activeGroup())
            CaricaMenu(attivo->tag());
        configurato = MenuProgrammi->groupCount() > 0;
    } catch (const db::DbError& e) {
        configurato = false;
        dettaglio = e.message();
    }
    if (!configurato)
        messages().error(QStringLiteral("Si è verificato un errore durante la configurazione del programma sulla base dei criteri di personalizzazione dell'utente selezionato"),
                         dettaglio, this);
    if (!MantieniStdMin) {
        LabelCambioUtente->setEnabled(true);
        LabelCambioDitta->setEnabled(true);
        LabelCambioUtente->repaint();
        LabelCambioDitta->repaint();
    }
}

void TBaseMainForm::accessoPosizioneFinestra()
{
    CaricaPosizioneFinestra(this, tabX()->NumUser, 1, 1, tabX()->IBDatabaseUser);
}

void TBaseMainForm::accessoAgenda()
{
    TTabXForm* form = tabX();
    QString libreria = form->CaricaParametro(QStringLiteral("DllAperturaAgenda"));
    QString funzione = form->CaricaParametro(QStringLiteral("FunzioneAperturaAgenda"));
    if (libreria.isEmpty())
        libreria = QStringLiteral("Rubrivo.dll");
    if (funzione.isEmpty())
        funzione = LogFinestre ? QStringLiteral("ShowContattAgendaFormX") : QStringLiteral("ShowContattAgendaFormD");
    // Every good login leaves one call-log row under the agenda's name.
    const qint32 idFinestra = AggiornaNorviLogFunz(QStringLiteral("ShowContattAgendaFormD"));
    if (form->CaricaParametro(QStringLiteral("AperturaAgenda")) == QLatin1String("SI"))
        CaricaFunzioneDLLX(libreria, funzione, idFinestra);
}

void TBaseMainForm::ComboUtentiChange()
{
    const QString nome = ComboUtenti->currentText();
    if (nome.isEmpty()) {
        ButtonSceltaDisco->hide();
        return;
    }
    QueryAux.close();
    QueryAux.clear();
    QueryAux.add(QStringLiteral("SELECT ABILITASCELTADISCO FROM UTENTI"));
    QueryAux.add(QStringLiteral("WHERE NOMEUTENTE=") + db::quoted(nome));
    QueryAux.open();
    ButtonSceltaDisco->setVisible(!QueryAux.isEmpty()
                                  && QueryAux.asString(QStringLiteral("ABILITASCELTADISCO")) == QLatin1String("1"));
}

} // namespace velkora

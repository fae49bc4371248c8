// The login of the main window: from the login panel to the working state.

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/SqlText.h"
#include "menu/NavigationBar.h"
#include "platform/MessageService.h"
#include "services/WindowPositions.h"
#include "sessions/AccessoUtente.h"
#include "sessions/SessioniLavoro.h"
#include "shell/BaseMain.h"
#include "shell/Iniz.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <memory>
#include <stdexcept>
#include <utility>

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
        : m_pannello(pannello), m_fuoco(QApplication::focusWidget())
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
    // Made first so it goes last: a close asked for while the login ran is done once it is over.
    struct ChiusuraRinviata
    {
        TBaseMainForm* w;
        explicit ChiusuraRinviata(TBaseMainForm* finestra) : w(finestra) { w->m_accessoInCorso = true; }
        ~ChiusuraRinviata()
        {
            w->m_accessoInCorso = false;
            if (std::exchange(w->m_chiusuraDopoAccesso, false))
                w->close();
        }
    } rinvio(this);
    const AccessoInCorso inCorso(PanelLogIn);
    // The splash belongs to the window and goes when the login ends, whatever happens.
    auto splash = std::make_unique<TInizForm>(this);
    splash->setWindowFlags(Qt::Dialog);

    const auto passo = [this](const char* nome) {
        if (osservatoreAccesso)
            osservatoreAccesso(nome);
    };
    const QString nome = ComboUtenti->currentText();
    const bool ammesso = accessoVerificaPassword(nome, EditPassword->text());
    passo("accessoVerificaPassword");
    if (!ammesso)
        return;
    // What the steps read once for the whole login lasts only while it runs.
    struct FineAccesso
    {
        TBaseMainForm* w;
        ~FineAccesso()
        {
            w->m_parametroAccesso = nullptr;
            w->m_letturaAccesso.reset();
        }
    } fine{this};
    accessoMostraLavoro(*splash);
    passo("accessoMostraLavoro");
    accessoApriUtente(nome);
    passo("accessoApriUtente");
    const bool configurato = accessoLeggiConfigurazione();
    passo("accessoLeggiConfigurazione");
    if (!configurato)
        return;
    accessoCaricaBarraEMenu();
    passo("accessoCaricaBarraEMenu");
    accessoPosizioneFinestra();
    passo("accessoPosizioneFinestra");
    accessoAgenda();
    passo("accessoAgenda");
}

QString TBaseMainForm::parametroAccesso(const QString& nome)
{
    return m_parametroAccesso ? m_parametroAccesso(nome) : tabX()->CaricaParametro(nome);
}

bool TBaseMainForm::accessoVerificaPassword(const QString& nome, const QString& password)
{
    if (tabX()->VerificaPasswordUser(nome, password))
        return true;
    messages().error(QStringLiteral("Accesso negato: scegliere un'utente ed inserire l'eventuale "
                                    "password. Fare attenzione al maiuscolo / minuscolo"),
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
    // The user's number, name and company, the columns the next steps read, a session code, the
    // agenda's window id and the parameters of his company, in one statement (as the look-ups
    // one after the other would find them).
    TTabXForm* form = tabX();
    form->QueryVelkora.close();
    m_letturaAccesso =
        leggiAccessoInUnPasso(form->IBDatabaseUser, form->TransazioneUser, nome, LogFinestre);
    form->NumUser = m_letturaAccesso->numUser;
    form->NomeUser = m_letturaAccesso->nomeUser;
    form->DittaCorrente = m_letturaAccesso->ditta;
    form->CaricaVelkora(form->NumUser);
    CodiceSessione = sessioni().apri(form->NumUser, m_letturaAccesso->codiceSessione);
    SessioneAperta = true;
    Sessioni1->setEnabled(true);
    if (m_letturaAccesso->accessoVelkora == QLatin1String("1"))
        Accessoavelkora1->setEnabled(true);
    // The parameters of the user's company were read in the data form's transaction, which
    // nothing of the login restarts from here on: every answer is the one a single read would
    // give.
    m_parametroAccesso = [this](const QString& parametro) {
        const auto& letti = m_letturaAccesso->parametri;
        const auto trovato = letti.find(senzaSpaziFinali(parametro));
        return trovato == letti.end() ? QString() : trovato->second;
    };
}

bool TBaseMainForm::accessoLeggiConfigurazione()
{
    TTabXForm* form = tabX();
    if (!m_letturaAccesso)
        throw std::logic_error("accessoLeggiConfigurazione before accessoApriUtente");
    const QString& profilo = m_letturaAccesso->profiloSicurezza;
    const QString& progetto = m_letturaAccesso->progetto;
    if (m_letturaAccesso->mantieniStdMin == QLatin1String("1"))
        MantieniStdMin = true;
    const QString inizio =
        QStringLiteral("E' stato trovato un errore nella configurazione dell'utente ");
    if (profilo.isEmpty() && !MantieniStdMin) {
        chiudiLettureAccesso();
        messages().error(inizio + form->NomeUser + QStringLiteral(": manca il profilo sicurezza"),
                         this);
        return false;
    }
    if (progetto.isEmpty()) {
        chiudiLettureAccesso();
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
    setWindowTitle(QStringLiteral("Ditta: ") + form->DittaCorrente + QStringLiteral(" - Utente: ") +
                   form->NomeUser);
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
    // The favourites follow once the window works, outside the login's own statements.
    QTimer::singleShot(0, this, &TBaseMainForm::caricaPreferiti);
    if (!configurato)
        messages().error(
            QStringLiteral("Si è verificato un errore durante la configurazione del programma "
                           "sulla base dei criteri di personalizzazione dell'utente selezionato"),
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
    // Read in the data form's transaction, fresh from the login's read and only read since.
    CaricaPosizioneFinestra(this, tabX()->NumUser, 1, 1, tabX()->IBDatabaseUser,
                            tabX()->TransazioneUser);
}

void TBaseMainForm::accessoAgenda()
{
    QString libreria = parametroAccesso(QStringLiteral("DllAperturaAgenda"));
    QString funzione = parametroAccesso(QStringLiteral("FunzioneAperturaAgenda"));
    if (libreria.isEmpty())
        libreria = QStringLiteral("Rubrivo.dll");
    if (funzione.isEmpty())
        funzione = LogFinestre ? QStringLiteral("ShowContattAgendaFormX")
                               : QStringLiteral("ShowContattAgendaFormD");
    // Every good login leaves one call-log row under the agenda's name, with the window id the
    // login's read drew for it (0 when the call log has no window columns).
    const QString agenda = QStringLiteral("ShowContattAgendaFormD");
    const qint32 idFinestra = m_letturaAccesso->idFinestraAgenda;
    sessioni().scriviChiamata(agenda, idFinestra);
    const bool apri = parametroAccesso(QStringLiteral("AperturaAgenda")) == QLatin1String("SI");
    // The last step: later reads of parameters (a change of company) read them anew.
    m_parametroAccesso = nullptr;
    chiudiLettureAccesso();
    if (apri)
        CaricaFunzioneDLLX(libreria, funzione, idFinestra);
}

void TBaseMainForm::chiudiLettureAccesso()
{
    // The data form's transaction read the user and his parameters; left open, it would stay
    // open until its next restart, all day long, and keep the engine from cleaning up old
    // record versions. It has only read (anything written there was committed by its own
    // operation), so it ends now; the next statement starts it again.
    db::Transaction& lettura = tabX()->TransazioneUser;
    if (!lettura.active() || lettura.wrote())
        return;
    try {
        lettura.commit();
    } catch (const db::DbError& e) {
        // Nothing was pending; the next statement finds out about the connection itself.
        qWarning("Fine delle letture dell'accesso non riuscita: %s", qUtf8Printable(e.message()));
    }
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
    ButtonSceltaDisco->setVisible(!QueryAux.isEmpty() &&
                                  QueryAux.asString(QStringLiteral("ABILITASCELTADISCO")) ==
                                      QLatin1String("1"));
}

} // namespace velkora

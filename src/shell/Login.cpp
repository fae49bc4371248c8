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
#include <map>
#include <memory>
#include <optional>
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

    const QString nome = ComboUtenti->currentText();
    if (!accessoVerificaPassword(nome, EditPassword->text()))
        return;
    // What the steps read once for the whole login lasts only while it runs.
    struct FineAccesso
    {
        TBaseMainForm* w;
        ~FineAccesso()
        {
            w->m_parametroAccesso = nullptr;
            w->m_configurazioneLetta.reset();
            w->m_letturaAccesso.reset();
        }
    } fine{this};
    accessoMostraLavoro(*splash);
    accessoApriUtente(nome);
    if (!accessoPassoPerPasso && tabX()->ModoUtenti == 0) {
        // Read at the first parameter asked for, in the data form's transaction, which nothing
        // of the login restarts from here on: every answer is the one a single read would give.
        m_parametroAccesso = [this,
                              letti = std::optional<std::optional<std::map<QString, QString>>>()](
                                 const QString& nome) mutable {
            if (!letti)
                letti = leggiParametriDitta(tabX()->IBDatabaseUser, tabX()->TransazioneUser,
                                            tabX()->NumUser, tabX()->DittaCorrente);
            if (!*letti)
                return tabX()->CaricaParametro(nome);
            const auto trovato = (*letti)->find(senzaSpaziFinali(nome));
            return trovato == (*letti)->end() ? QString() : trovato->second;
        };
    }
    if (!accessoLeggiConfigurazione())
        return;
    accessoCaricaBarraEMenu();
    accessoPosizioneFinestra();
    accessoAgenda();
}

QString TBaseMainForm::parametroAccesso(const QString& nome)
{
    return m_parametroAccesso ? m_parametroAccesso(nome) : tabX()->CaricaParametro(nome);
}

void TBaseMainForm::rendiCorrenteInUnPasso(const QString& nome)
{
    TTabXForm* form = tabX();
    form->QueryVelkora.close();
    m_letturaAccesso = leggiAccessoInUnPasso(form->IBDatabaseUser, form->TransazioneUser, nome);
    if (!m_letturaAccesso) {
        form->SetUserPerNome(nome);
        return;
    }
    form->NumUser = m_letturaAccesso->numUser;
    form->NomeUser = m_letturaAccesso->nomeUser;
    form->DittaCorrente = m_letturaAccesso->ditta;
    form->CaricaVelkora(form->NumUser);
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
    TTabXForm* form = tabX();
    m_letturaAccesso.reset();
    if (accessoPassoPerPasso || form->ModoUtenti != 0)
        form->SetUserPerNome(nome);
    else
        rendiCorrenteInUnPasso(nome);
    if (m_letturaAccesso)
        CodiceSessione = sessioni().apri(form->NumUser, m_letturaAccesso->codiceSessione);
    else
        ApriSessione();
    SessioneAperta = true;
    Sessioni1->setEnabled(true);
    if (m_letturaAccesso) {
        // The flag and the configuration's columns came with the user's row.
        if (m_letturaAccesso->accessoVelkora == QLatin1String("1"))
            Accessoavelkora1->setEnabled(true);
        m_configurazioneLetta =
            QStringList{m_letturaAccesso->profiloSicurezza, m_letturaAccesso->progetto,
                        m_letturaAccesso->mantieniStdMin};
        return;
    }
    QueryAux.close();
    QueryAux.clear();
    if (accessoPassoPerPasso) {
        QueryAux.add(QStringLiteral("SELECT ACCESSOVELKORA FROM UTENTI WHERE"));
        QueryAux.add(QStringLiteral("CODICE=") + db::quotedInt(form->NumUser));
    } else {
        // The configuration's columns come with the flag: the next step reads them in the same
        // transaction, so they are those it would read.
        QueryAux.add(QStringLiteral(
            "SELECT ACCESSOVELKORA,PROFILOSICUREZZA,PROGETTO,MANTIENISTDMIN FROM UTENTI WHERE"));
        QueryAux.add(QStringLiteral("CODICE=") + db::quotedInt(form->NumUser));
    }
    QueryAux.open();
    if (!QueryAux.isEmpty() && QueryAux.asString(0) == QLatin1String("1"))
        Accessoavelkora1->setEnabled(true);
    if (!accessoPassoPerPasso) {
        const bool riga = !QueryAux.isEmpty();
        m_configurazioneLetta =
            QStringList{riga ? QueryAux.asString(QStringLiteral("PROFILOSICUREZZA")) : QString(),
                        riga ? QueryAux.asString(QStringLiteral("PROGETTO")) : QString(),
                        riga ? QueryAux.asString(QStringLiteral("MANTIENISTDMIN")) : QString()};
    }
}

bool TBaseMainForm::accessoLeggiConfigurazione()
{
    TTabXForm* form = tabX();
    QStringList colonne;
    if (m_configurazioneLetta) {
        colonne = *m_configurazioneLetta;
        m_configurazioneLetta.reset();
    } else {
        QueryAux.close();
        QueryAux.clear();
        QueryAux.add(QStringLiteral("SELECT PROFILOSICUREZZA,PROGETTO,MANTIENISTDMIN"));
        QueryAux.add(QStringLiteral("FROM UTENTI WHERE CODICE=") + db::quotedInt(form->NumUser));
        QueryAux.open();
        const bool riga = !QueryAux.isEmpty();
        colonne =
            QStringList{riga ? QueryAux.asString(QStringLiteral("PROFILOSICUREZZA")) : QString(),
                        riga ? QueryAux.asString(QStringLiteral("PROGETTO")) : QString(),
                        riga ? QueryAux.asString(QStringLiteral("MANTIENISTDMIN")) : QString()};
    }
    const QString profilo = colonne.at(0);
    const QString progetto = colonne.at(1);
    if (colonne.at(2) == QLatin1String("1"))
        MantieniStdMin = true;
    const QString inizio =
        QStringLiteral("E' stato trovato un errore nella configurazione dell'utente ");
    if (profilo.isEmpty() && !MantieniStdMin) {
        messages().error(inizio + form->NomeUser + QStringLiteral(": manca il profilo sicurezza"),
                         this);
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
    CaricaPosizioneFinestra(this, tabX()->NumUser, 1, 1, tabX()->IBDatabaseUser);
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
    // Every good login leaves one call-log row under the agenda's name.
    const QString agenda = QStringLiteral("ShowContattAgendaFormD");
    const qint32 idFinestra = accessoPassoPerPasso ? AggiornaNorviLogFunz(agenda)
                                                   : sessioni().registraChiamataInUnPasso(agenda);
    if (parametroAccesso(QStringLiteral("AperturaAgenda")) == QLatin1String("SI"))
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
    ButtonSceltaDisco->setVisible(!QueryAux.isEmpty() &&
                                  QueryAux.asString(QStringLiteral("ABILITASCELTADISCO")) ==
                                      QLatin1String("1"));
}

} // namespace velkora

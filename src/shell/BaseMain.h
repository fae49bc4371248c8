#pragma once

#include "db/Query.h"
#include "db/Transaction.h"
#include "menu/ImageList.h"
#include "menu/RigaMenu.h"
#include "params/Preferiti.h"
#include "platform/Environment.h"
#include "sessions/AccessoUtente.h"

#include <QMainWindow>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QToolButton;

namespace velkora {

class CostruttoreMenu;
class GruppoPreferiti;
class MenuPreferiti;
class NavigationBar;
class RicercaMenu;
class SessioniLavoro;
class TTabXForm;

// The main window of the start program: the login panel until a user logs in, then the
// navigation bar of his programs and the menu bar built from the database. It owns the shared
// data form and the statements of the start program's own windows.
class TBaseMainForm : public QMainWindow
{
    Q_OBJECT

public:
    // When the window does the work of its start (the data form attaching or creating the user
    // database, with whatever boxes that shows, and the user list read with the probes of the
    // schema). At once: the constructor does it, and the window is in its login state when it
    // returns. On the screen: the window is shown first, with its login panel out of use, and the
    // work runs as soon as the window is exposed (or shortly after it was shown, should no
    // exposure come); its boxes come over the window in the same order, and the panel is usable
    // once the list is filled. The start program takes the second, so the window is on the
    // screen while the engine loads.
    enum class Avvio { Subito, SulloSchermo };

    explicit TBaseMainForm(const platform::Environment& environment = platform::Environment::process(),
                           QWidget* parent = nullptr, Avvio avvio = Avvio::Subito);
    ~TBaseMainForm() override;

    // Controls.
    QFrame* Panel1 = nullptr;
    QLabel* LabelCambioUtente = nullptr;
    QLabel* LabelCambioDitta = nullptr;
    QFrame* PanelLogIn = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* ComboUtenti = nullptr;
    QLabel* Label2 = nullptr;
    QToolButton* ButtonSceltaDisco = nullptr;
    QLineEdit* EditPassword = nullptr;
    QPushButton* ButtonOk = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    NavigationBar* MenuProgrammi = nullptr;
    // The menu search at the top of the navigation bar (made by the start's work, see Avvio).
    RicercaMenu* RicercaVoci = nullptr;
    // The group "Preferiti" below the search field, at the top of the navigation bar (likewise).
    GruppoPreferiti* PreferitiVoci = nullptr;
    ImageList IconeProgrammi{QSize(32, 32)};
    ImageList Icone2Programmi{QSize(16, 16)};
    QMenuBar* MenuPrincipale = nullptr;
    QMenu* N1 = nullptr;
    QAction* Sessioni1 = nullptr;
    QAction* Accessoavelkora1 = nullptr;
    QAction* N2 = nullptr;
    QAction* Esci1 = nullptr;

    // Fields. The shared data form sits in a cell that dialogs receive, so they always reach
    // the form the window currently holds.
    std::unique_ptr<TTabXForm*> PTabXForm;
    db::Transaction TransazioneAux;
    db::Query QueryAux;
    db::Query QueryAux2;
    qint32 NumProgetto = 0;
    qint32 NumProfilo = 0;
    qint32 ContaVoci = 1;
    qint32 CodiceSessione = 0;
    bool MantieniStdMin = false;
    bool SessioneAperta = false;
    bool LogFinestre = false;
    // The call log records the menu item of each call (PROGRAMMA and MENU), which the recent
    // items of the menu search are read from.
    bool m_logVoci = false;
    // Slot tables indexed 1 to 256 (index 0 unused), referring to objects the window owns.
    std::array<QAction*, 257> VociMenu{};
    std::array<QObject*, 257> GruppiProgrammi{};
    std::array<QObject*, 257> VociRapide{};

    // Login: checks the password, makes the user current, opens his session, builds the bar and
    // the menus, restores the window's place and opens the agenda when his parameters ask. It
    // runs the steps below in this order and stops after a step that answers false.
    void ButtonOkClick();

    // The steps of the login, each callable on its own (a test or a benchmark runs them one by
    // one on a window in its login state, in the order ButtonOkClick runs them).
    // The password of the named user; a refused one shows the box and clears the password.
    bool accessoVerificaPassword(const QString& nome, const QString& password);
    // Shows the splash and swaps the login panel for the navigation bar.
    void accessoMostraLavoro(QWidget& splash);
    // Makes the user current, opens his session and enables the menu commands he may use.
    void accessoApriUtente(const QString& nome);
    // Reads the user's profile, project and MANTIENISTDMIN; false (after the box) when the
    // profile or the project is missing.
    bool accessoLeggiConfigurazione();
    // The caption, the navigation bar of the project and the menus of its active program.
    void accessoCaricaBarraEMenu();
    // The window at the place stored for the user.
    void accessoPosizioneFinestra();
    // The call-log row of the agenda, and the agenda itself when the parameters ask for it.
    void accessoAgenda();
    // Shows the disk-choice button for users allowed to use it.
    void ComboUtentiChange();
    // "Scelta disco": gives the drive paths of the user chosen in the panel another letter.
    void ButtonSceltaDiscoClick();
    // "Accesso a velkora": the editor of the user's parameter set.
    void Accessoavelkora1Click();
    // What each step of a login cost is seen by an observer called after every step with the
    // step's name (a benchmark's phase table); none by default.
    std::function<void(const char* passo)> osservatoreAccesso;

    // The navigation bar: one group per program of the project NumProgetto, with its quick
    // items as links, read in one statement (LettoreCatalogo).
    void CaricaProgrammi();
    // A group was clicked: its program's menus replace those in the menu bar.
    void ProgrammaOnClick();

    // Menus of the current program. CaricaMenu reads the program's visible rows in one statement
    // and builds the menus from their tree (AlberoMenu); CercaFigli and CreaVoci answer from the
    // program's tree too.
    void CaricaMenu(qint32 programma);
    bool CercaFigli(qint32 programma, qint32 menu, qint32 livello);
    void CreaVoci(qint32 programma, qint32 menuPadre, qint32 livelloPadre, QMenu* padre);
    // A menu row as the construction reads it.
    using RigaMenu = velkora::RigaMenu;
    // The program whose menus the menu bar shows.
    qint32 programmaCorrente() const;

    // Work sessions and the call log.
    void ApriSessione();
    void ChiudiSessione();
    bool VerificaStatoSessione(bool mostraMessaggi);
    qint32 AggiornaNorviLogFunz(const QString& funzione);
    // The session statements on QueryAux for the current session code and log layout.
    SessioniLavoro sessioni();

    // A menu leaf or a quick item: checks the profile, reads the item, checks the session, logs
    // the call, writes the company back and calls the item's function in the kind its name and
    // the mode select (EsecuzioneVoce).
    void EseguiFunzioneVoce(qint32 programma, qint32 menu, qint32 modo);
    // Makes UTENTI.DITTA of the user equal to the company; false when writing it failed.
    bool AggiornaDittaUtente(qint32 utente, const QString& ditta);
    // Click handlers of the menu leaves (mode 1, or mode 2 followed by a rebuild of the menus)
    // and of the quick items of the navigation bar.
    void EventoVoceOnClick(QAction* voce);
    void EventoVoce2OnClick(QAction* voce);
    void VoceRapidaClick();

    // Menu search (Ctrl+F): the field takes the focus in the working state, with an index of
    // the project's menu entries read once and read again only after the menus were rebuilt.
    void CercaNelMenu();
    void aggiornaIndiceRicerca();
    // An entry chosen in the search starts as a click on it would: mode 2 rebuilds the menus.
    void EseguiVoceTrovata(qint32 programma, qint32 menu, qint32 modo);

    // Recent items and favourites (BaseMainPreferiti.cpp). The recent items of the empty search
    // field are read from the user's call log when the field takes the focus; the favourites
    // from his parameter set after the login, and after each change.
    void aggiornaRecenti();
    void caricaPreferiti();
    // Adds the item to the favourites or removes it, and shows the group again.
    void cambiaPreferito(qint32 programma, qint32 menu, bool aggiungi);
    bool ePreferito(qint32 programma, qint32 menu) const;
    const std::vector<Preferito>& preferiti() const { return m_preferiti; }

    // Calls into module libraries: load the library, find the function, call it with the
    // current user's number and the arguments of the kind. Silent when either is missing.
    void CaricaFunzioneDLL(const QString& libreria, const QString& funzione);
    void CaricaFunzioneDLL2(const QString& libreria, const QString& funzione, const QString& parametri);
    void CaricaFunzioneDLLX(const QString& libreria, const QString& funzione, qint32 idFinestra);
    void CaricaFunzioneDLL2X(const QString& libreria, const QString& funzione, const QString& parametri,
                             qint32 idFinestra);
    void CaricaFunzioneDLL3Y(const QString& libreria, const QString& funzione, const QString& parametri,
                             qint32 idFinestra);

    // Keyboard commands of the working state, for every key released in the window (a Qt key
    // code): F8 back to the login panel, F9 change of company with the company dialog, F12 the
    // next company without one. Nothing happens in the login state, for a user with
    // MANTIENISTDMIN, or for any other key.
    void FormKeyUp(int tasto);
    // Closing the main window, by "Esci" or by the window's own close command. While a user is
    // logged in it first checks the windows logged for his session (when the call log records
    // them): one still open refuses the closing with a warning and the result is false.
    // Otherwise his session is closed and the window's place stored; the result is true and the
    // window closes.
    bool FormClose();
    // True when no window logged in the call log for the current session is still open.
    bool VerificaFinestreAperte();
    // The items of "Sistema": "Esci" closes the window; "Sessioni" shows the user's open
    // sessions.
    void Esci1Click();
    void Sessioni1Click();
    // The program is being ended from outside (a termination signal): from now on closing does
    // not wait for the module windows, which are closed with the program.
    void chiusuraSenzaVerifica() { m_chiusuraForzata = true; }

    TTabXForm* tabX() const { return *PTabXForm; }
    // The work of the start is done: the data form exists and the login panel is usable.
    bool avviato() const { return m_avviato; }
    platform::MessageService& messages() const;

    // Shows or hides the login panel; the rest of the working state comes with the login.
    void mostraStatoLogin();

signals:
    // Sent once, when the work of the start is done (see Avvio).
    void avvioConcluso();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // F9, F12 and F8.
    void cambioDittaConDialogo();
    void cambioDittaSuccessiva();
    void cambioUtente();
    // Stores a company chosen with F9 or F12, then shows it in the caption and rebuilds the
    // menus of the active program.
    void memorizzaDitta(const QString& ditta);
    // The companies of the user as committed now, for F9 and F12.
    void leggiDitteAggiornate();
    // While a login runs: the user's row and a drawn session code, read in one statement, and
    // the parameters of his company, read once at the first one asked for.
    std::optional<LetturaAccesso> m_letturaAccesso;
    std::function<QString(const QString&)> m_parametroAccesso;
    QString parametroAccesso(const QString& nome);
    // Ends the data form's transaction after the login's reads, when it has only read.
    void chiudiLettureAccesso();
    // The statements of every click and of the call log, kept prepared on TransazioneAux.
    db::Query m_letturaVoce;
    db::Query m_registroChiamate;

    // The menu construction over the menu bar, QueryAux and the slot table.
    CostruttoreMenu costruttoreMenu();
    void creaControlli();
    // Hands a triggered leaf of the menu bar to the click handler the menu builder named for it.
    void voceMenuAttivata(QAction* voce);
    // The dispatch of a mode-2 entry followed by the rebuild of the menus.
    void eseguiModo2(qint32 programma, qint32 menu);
    void creaRicercaMenu();
    void creaPreferiti();
    // The group "Preferiti" from the favourites read and the search index.
    void mostraPreferiti();
    std::vector<Preferito> m_preferiti;
    MenuPreferiti* m_menuPreferiti = nullptr;
    // The menus or the bar were built again: the search index is read again.
    void indiceRicercaScaduto();
    bool m_indiceRicercaScaduto = true;
    void FormCreate();
    // Builds the menu search and the favourites and runs FormCreate with the login panel out of
    // use, once, and tells that the start is done.
    void avvia();
    void leggiUtentiESonda();
    bool probeColumn(const QString& field, const QString& relation);
    void riposizionaControlli();

    platform::Environment m_environment;
    Avvio m_avvio;
    bool m_attesaComparsa = false;
    bool m_avvioInCorso = false;
    bool m_avviato = false;
    bool m_chiusuraForzata = false;
    // A login runs (it lets the event loop paint its splash); a close asked for meanwhile is
    // done when the login has ended, so that the session it opens is closed too.
    bool m_accessoInCorso = false;
    bool m_chiusuraDopoAccesso = false;
};

} // namespace velkora

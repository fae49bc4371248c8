#include "shell/BaseMain.h"

#include "data/TabX.h"
#include "db/DbError.h"
#include "db/SqlText.h"
#include "db/TransactionGuard.h"
#include "menu/NavigationBar.h"
#include "platform/DateFormat.h"
#include "platform/FileSystem.h"
#include "platform/MessageService.h"
#include "shell/KeyUpHook.h"
#include "shell/PittogrammiLogin.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

namespace velkora {

namespace {

// The window's size as designed. The F8/F9 labels keep their distance from the panel's
// bottom-right corner and the login panel keeps its place relative to the centre when the
// window changes size.
constexpr int kDesignWidth = 696;
constexpr int kDesignHeight = 480;
// How long the start's work waits for the window's first exposure at most.
constexpr int kAttesaComparsaMs = 1000;

QFont tahoma(int points, bool bold = false)
{
    QFont f(QStringLiteral("Tahoma"), points);
    f.setBold(bold);
    return f;
}

QLabel* makeLabel(QWidget* parent, const QString& name, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(x, y);
    label->adjustSize();
    return label;
}

} // namespace

TBaseMainForm::TBaseMainForm(const platform::Environment& environment, QWidget* parent, Avvio avvio)
    : QMainWindow(parent)
    , PTabXForm(std::make_unique<TTabXForm*>(nullptr))
    , m_environment(environment)
    , m_avvio(avvio)
{
    if (!m_environment.messages)
        m_environment.messages = platform::Environment::process().messages;
    creaControlli();
    if (m_avvio == Avvio::Subito)
        avvia();
    else
        // Nothing of the panel may be used before the user list is there: a press of OK would
        // reach for a data form that does not exist yet.
        PanelLogIn->setEnabled(false);
}

TBaseMainForm::~TBaseMainForm()
{
    // The statements and the transaction go before the data form that holds their database.
    QueryAux.setDatabase(nullptr);
    QueryAux2.setDatabase(nullptr);
    m_letturaVoce.setDatabase(nullptr);
    m_registroChiamate.setDatabase(nullptr);
    // Ends the transaction without throwing out of the destructor, also when the connection is
    // gone.
    db::TransactionGuard(TransazioneAux).rollback();
    TransazioneAux.setDatabase(nullptr);
    delete *PTabXForm;
    *PTabXForm = nullptr;
}

platform::MessageService& TBaseMainForm::messages() const
{
    return *m_environment.messages;
}

void TBaseMainForm::creaControlli()
{
    setObjectName(QStringLiteral("BaseMainForm"));
    setWindowTitle(QStringLiteral("Autenticazione"));
    setFont(tahoma(8));

    MenuPrincipale = new QMenuBar(this);
    MenuPrincipale->setObjectName(QStringLiteral("MenuPrincipale"));
    setMenuBar(MenuPrincipale);
    N1 = MenuPrincipale->addMenu(QStringLiteral("Sistema"));
    N1->setObjectName(QStringLiteral("N1"));
    Sessioni1 = N1->addAction(QStringLiteral("Sessioni"));
    Sessioni1->setObjectName(QStringLiteral("Sessioni1"));
    Sessioni1->setEnabled(false);
    Accessoavelkora1 = N1->addAction(QStringLiteral("Accesso a velkora"));
    Accessoavelkora1->setObjectName(QStringLiteral("Accessoavelkora1"));
    Accessoavelkora1->setEnabled(false);
    connect(Accessoavelkora1, &QAction::triggered, this, &TBaseMainForm::Accessoavelkora1Click);
    N2 = N1->addSeparator();
    N2->setObjectName(QStringLiteral("N2"));
    Esci1 = N1->addAction(QStringLiteral("Esci"));
    Esci1->setObjectName(QStringLiteral("Esci1"));
    connect(Esci1, &QAction::triggered, this, &TBaseMainForm::Esci1Click);
    connect(Sessioni1, &QAction::triggered, this, &TBaseMainForm::Sessioni1Click);

    auto* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(central);

    MenuProgrammi = new NavigationBar(central);
    MenuProgrammi->setLargeImages(&IconeProgrammi);
    MenuProgrammi->setSmallImages(&Icone2Programmi);
    MenuProgrammi->hide();
    layout->addWidget(MenuProgrammi);
    // The search field and the favourites at the top of the navigation bar, which only the
    // working state shows, come with the start's work (avvia).

    Panel1 = new QFrame(central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    layout->addWidget(Panel1, 1);

    LabelCambioUtente = makeLabel(Panel1, QStringLiteral("LabelCambioUtente"),
                                  QStringLiteral("F8 - Cambio Utente"), 552, 386);
    LabelCambioDitta = makeLabel(Panel1, QStringLiteral("LabelCambioDitta"),
                                 QStringLiteral("F9 - Cambio Ditta"), 552, 405);
    for (QLabel* l : {LabelCambioUtente, LabelCambioDitta}) {
        l->setFont(tahoma(10, true));
        l->adjustSize();
        l->setEnabled(false);
    }

    PanelLogIn = new QFrame(Panel1);
    PanelLogIn->setObjectName(QStringLiteral("PanelLogIn"));
    PanelLogIn->setFrameStyle(QFrame::NoFrame);
    PanelLogIn->setGeometry(192, 119, 289, 185);

    Label1 = makeLabel(PanelLogIn, QStringLiteral("Label1"),
                       QStringLiteral("Selezionare l'utente e premere OK"), 38, 16);
    ComboUtenti = new QComboBox(PanelLogIn);
    ComboUtenti->setObjectName(QStringLiteral("ComboUtenti"));
    ComboUtenti->setEditable(false);
    ComboUtenti->setGeometry(36, 35, 225, 21);
    Label2 = makeLabel(PanelLogIn, QStringLiteral("Label2"), QStringLiteral("Password"), 36, 72);

    ButtonSceltaDisco = new QToolButton(PanelLogIn);
    ButtonSceltaDisco->setObjectName(QStringLiteral("ButtonSceltaDisco"));
    ButtonSceltaDisco->setText(QStringLiteral("Scelta disco"));
    ButtonSceltaDisco->setAutoRaise(true);
    ButtonSceltaDisco->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ButtonSceltaDisco->setIcon(pittogrammaDisco());
    ButtonSceltaDisco->setIconSize(QSize(12, 12));
    ButtonSceltaDisco->setGeometry(172, 65, 89, 18);
    ButtonSceltaDisco->hide();
    connect(ButtonSceltaDisco, &QToolButton::clicked, this, &TBaseMainForm::ButtonSceltaDiscoClick);

    EditPassword = new QLineEdit(PanelLogIn);
    EditPassword->setObjectName(QStringLiteral("EditPassword"));
    EditPassword->setEchoMode(QLineEdit::Password);
    EditPassword->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    EditPassword->setGeometry(36, 91, 225, 21);

    ButtonOk = new QPushButton(QStringLiteral("OK"), PanelLogIn);
    ButtonOk->setObjectName(QStringLiteral("ButtonOk"));
    ButtonOk->setIcon(pittogrammaOk());
    ButtonOk->setGeometry(112, 128, 75, 25);
    ButtonOk->setDefault(true);
    ButtonOk->setToolTip(QStringLiteral("Premere dopo\r\naver inserito i dati\r\nper l'autenticazione"));

    Label3 = new QLabel(QStringLiteral("Velkora Software"), PanelLogIn);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(tahoma(7));
    Label3->setEnabled(false);
    Label3->setGeometry(96, 164, 106, 11);
    Label3->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    Label4 = new QLabel(QStringLiteral("28 10 2008"), PanelLogIn);
    Label4->setObjectName(QStringLiteral("Label4"));
    Label4->setFont(tahoma(7));
    Label4->setEnabled(false);
    Label4->setGeometry(96, 175, 106, 11);
    Label4->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);

    connect(ButtonOk, &QPushButton::clicked, this, &TBaseMainForm::ButtonOkClick);
    connect(ComboUtenti, &QComboBox::currentIndexChanged, this, &TBaseMainForm::ComboUtentiChange);
    // Menu leaves at any depth report to the menu bar; quick items to the navigation bar.
    connect(MenuPrincipale, &QMenuBar::triggered, this, &TBaseMainForm::voceMenuAttivata);
    connect(MenuProgrammi, &NavigationBar::linkClicked, this, &TBaseMainForm::VoceRapidaClick);

    setTabOrder(ComboUtenti, EditPassword);
    setTabOrder(EditPassword, ButtonOk);

    // Every key released anywhere in the window reaches the keyboard commands.
    new KeyUpHook(this, [this](int tasto) { FormKeyUp(tasto); });
    // The window sees every key before its controls: Enter presses OK on the login panel.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);

    resize(kDesignWidth, kDesignHeight);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    ComboUtenti->setFocus();
}

void TBaseMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_avvio != Avvio::SulloSchermo || m_avviato || m_attesaComparsa)
        return;
    // The start's work waits until the window is on the screen and painted: it begins on the
    // turn of the loop after the window's first exposure, which the window paints first. A
    // window that is not exposed (started minimised, say) does not hold the start back for long.
    m_attesaComparsa = true;
    if (QWindow* nativa = windowHandle())
        nativa->installEventFilter(this);
    QTimer::singleShot(kAttesaComparsaMs, this, &TBaseMainForm::avvia);
}

void TBaseMainForm::avvia()
{
    if (m_avviato || m_avvioInCorso)
        return;
    if (QWindow* nativa = windowHandle())
        nativa->removeEventFilter(this);
    m_avvioInCorso = true;
    PanelLogIn->setEnabled(false);
    // A start that failed halfway (the error reaches the loop's box) leaves the panel out of
    // use: without a data form a login could not run. The window can still be closed.
    struct FineAvvio
    {
        TBaseMainForm* w;
        ~FineAvvio() { w->m_avvioInCorso = false; }
    } fine{this};
    creaRicercaMenu();
    FormCreate();
    m_avviato = true;
    PanelLogIn->setEnabled(true);
    // Given while the panel was out of use, the focus did not stay.
    if (PanelLogIn->isVisible())
        ComboUtenti->setFocus();
    emit avvioConcluso();
}

void TBaseMainForm::FormCreate()
{
    // 1. Dates are shown and read day first with four-digit years.
    platform::setShortDateFormat(QStringLiteral("dd/MM/yyyy"));

    // 2. The shared data form, which attaches or creates the user database.
    *PTabXForm = new TTabXForm(this, 0, m_environment);
    TTabXForm* form = tabX();

    // 3.
    LogFinestre = true;

    // 4-5. The transaction and statements of the start program's own windows.
    TransazioneAux.setDatabase(&form->IBDatabaseUser);
    db::TransactionGuard(TransazioneAux).rollback();
    TransazioneAux.params() = QStringList{QStringLiteral("isc_tpb_concurrency"),
                                          QStringLiteral("isc_tpb_nowait")};
    QueryAux.setDatabase(&form->IBDatabaseUser);
    QueryAux.setTransaction(&TransazioneAux);
    QueryAux2.setDatabase(&form->IBDatabaseUser);
    QueryAux2.setTransaction(&TransazioneAux);

    // 6. Pictures are looked up in the program folder, but a missing "Grafica" where the
    // program was started is worth a word.
    if (!platform::folderExists(platform::joinPath(platform::currentDirectory(), QStringLiteral("Grafica"))))
        messages().warning(QStringLiteral("Directory \"Grafica\" mancante"), this);

    // 7.
    MantieniStdMin = false;
    SessioneAperta = false;

    // Without a user database (its failure was already shown) the window opens in its login
    // state with an empty list.
    if (!form->IBDatabaseUser.attached()) {
        LogFinestre = false;
        mostraStatoLogin();
        return;
    }
    try {
        TransazioneAux.start();
        leggiUtentiESonda();
    } catch (const db::DbError& e) {
        // A database without the suite's tables (an empty one just created, say): the window
        // still opens, and the user learns why the list is empty.
        LogFinestre = false;
        messages().error(QStringLiteral("Impossibile leggere l'elenco degli utenti dal database: il "
                                        "database non contiene le tabelle del programma oppure non "
                                        "risponde."),
                         e.message(), this);
    }
    mostraStatoLogin();
}

void TBaseMainForm::leggiUtentiESonda()
{
    // 8-9. The user list, leaving out inactive users where the column exists.
    const bool inattivi = probeColumn(QStringLiteral("UTENTEINATTIVO"), QStringLiteral("UTENTI"));
    QueryAux.close();
    QueryAux.clear();
    QueryAux.add(QStringLiteral("SELECT NOMEUTENTE FROM UTENTI"));
    if (inattivi)
        QueryAux.add(QStringLiteral("WHERE (UTENTEINATTIVO IS NULL)OR(UTENTEINATTIVO='0')"));
    QueryAux.add(QStringLiteral("ORDER BY CODICE"));
    QueryAux.open();
    {
        // Filling the list is no choice of the user: no change event while it fills.
        const QSignalBlocker quiet(ComboUtenti);
        for (QueryAux.first(); !QueryAux.eof(); QueryAux.next())
            ComboUtenti->addItem(QueryAux.asString(0));
        ComboUtenti->setCurrentIndex(-1);
    }

    // 10-11. The call log records window handles only when it has both window columns.
    if (!probeColumn(QStringLiteral("HANDLEFINESTRA"), QStringLiteral("NORVILOGFUNZ")))
        LogFinestre = false;
    if (LogFinestre && !probeColumn(QStringLiteral("IDFINESTRA"), QStringLiteral("NORVILOGFUNZ")))
        LogFinestre = false;
    m_logVoci = probeColumn(QStringLiteral("MENU"), QStringLiteral("NORVILOGFUNZ"));
}

bool TBaseMainForm::probeColumn(const QString& field, const QString& relation)
{
    // The names are fixed texts of this program, compared with the system tables' upper case.
    QueryAux.close();
    QueryAux.clear();
    QueryAux.add(QStringLiteral("SELECT * FROM RDB$RELATION_FIELDS WHERE"));
    QueryAux.add(QStringLiteral("(RDB$FIELD_NAME=") + db::quoted(field) + QStringLiteral(")AND"));
    QueryAux.add(QStringLiteral("(RDB$RELATION_NAME=") + db::quoted(relation) + QLatin1Char(')'));
    QueryAux.open();
    return !QueryAux.isEmpty();
}

void TBaseMainForm::mostraStatoLogin()
{
    setWindowTitle(QStringLiteral("Autenticazione"));
    MenuProgrammi->hide();
    PanelLogIn->show();
    Sessioni1->setEnabled(false);
    Accessoavelkora1->setEnabled(false);
    LabelCambioUtente->setEnabled(false);
    LabelCambioDitta->setEnabled(false);
    ComboUtenti->setFocus();
}

bool TBaseMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Expose && m_attesaComparsa && watched == windowHandle() &&
        windowHandle()->isExposed()) {
        // Queued: the window paints what this exposure asks for before the start's work runs.
        windowHandle()->removeEventFilter(this);
        QTimer::singleShot(0, this, &TBaseMainForm::avvia);
    }
    if (watched == Panel1 && event->type() == QEvent::Resize)
        riposizionaControlli();
    if (event->type() == QEvent::KeyPress && PanelLogIn->isVisible()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // A drop-down list that is open takes its own Enter.
        const bool popupOpen = watched == ComboUtenti && ComboUtenti->view()->isVisible();
        if (enter && !popupOpen && ButtonOk->isEnabled()) {
            ButtonOk->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TBaseMainForm::riposizionaControlli()
{
    if (!Panel1)
        return;
    const int w = Panel1->width();
    const int h = Panel1->height();
    if (w <= 0 || h <= 0)
        return;
    // The panel's size in the window as designed, with the menu bar above it.
    const int designW = kDesignWidth;
    const int designH = kDesignHeight - MenuPrincipale->sizeHint().height();
    // Anchored to the bottom-right corner.
    LabelCambioUtente->move(552 + w - designW, 386 + h - designH);
    LabelCambioDitta->move(552 + w - designW, 405 + h - designH);
    // Not anchored: the centre keeps its proportional place.
    const int cx = (192 + 289 / 2) * w / designW;
    const int cy = (119 + 185 / 2) * h / designH;
    PanelLogIn->move(cx - 289 / 2, cy - 185 / 2);
}

} // namespace velkora

#include "ContattAgendaForm.h"

#include "ContattoDialog.h"

#include <QCoreApplication>
#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <velkora/TabXForm.h>
#include <velkora/db/DbError.h>
#include <velkora/platform/MessageService.h>

namespace velkora::rubrivo {

namespace {

enum Colonna
{
    ColNome,
    ColTelefono,
    ColEmail,
    ColNote,
    NumeroColonne
};

// The contact's code sits on the name cell of each row.
constexpr int kRuoloCodice = Qt::UserRole + 1;

const QString kErroreLettura =
    QStringLiteral("Errore nella lettura dei contatti dell'agenda: controllare il collegamento al "
                   "database e riprovare.");
const QString kErroreSalvataggio =
    QStringLiteral("Errore nel salvataggio del contatto: i dati inseriti non sono stati salvati e "
                   "restano nella finestra. "
                   "Controllare il collegamento al database e riprovare.");
const QString kContattoBloccato =
    QStringLiteral("Il contatto è in modifica su un'altra postazione: riprovare tra poco. "
                   "I dati inseriti restano nella finestra.");
const QString kContattoSparito = QStringLiteral(
    "Il contatto è stato eliminato da un'altra postazione. Salvarlo come nuovo contatto?");
const QString kConfermaEliminazione = QStringLiteral("Eliminare il contatto selezionato?");
const QString kErroreEliminazione =
    QStringLiteral("Errore nell'eliminazione del contatto: il contatto non è stato eliminato. "
                   "Controllare il collegamento al database e riprovare.");
const QString kEliminazioneBloccata =
    QStringLiteral("Il contatto è in modifica su un'altra postazione e non può essere eliminato "
                   "ora: riprovare tra poco.");

QFont tahoma(int punti, bool grassetto = false)
{
    QFont f(QStringLiteral("Tahoma"), punti);
    f.setBold(grassetto);
    return f;
}

QPushButton* pulsante(QWidget* parent, const QString& nome, const QString& testo)
{
    auto* b = new QPushButton(testo, parent);
    b->setObjectName(nome);
    return b;
}

QStandardItem* cella(const QString& testo)
{
    auto* item = new QStandardItem(testo);
    item->setEditable(false);
    return item;
}

} // namespace

QString dataEstesa(const QDate& data)
{
    QString testo = QLocale(QLocale::Italian, QLocale::Italy)
                        .toString(data, QStringLiteral("dddd d MMMM yyyy"));
    if (!testo.isEmpty())
        testo[0] = testo[0].toUpper();
    return testo;
}

TContattAgendaForm::TContattAgendaForm(qint32 numUser, const platform::Environment& environment)
    : QWidget(nullptr), m_numUser(numUser)
{
    setObjectName(QStringLiteral("ContattAgendaForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(tahoma(8));
    // The window belongs to the module but lives in the program's process: when the program
    // ends its loop, close it so its data form detaches cleanly.
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                &QWidget::close);

    TabX = new TTabXForm(this, 0, environment);
    creaControlli();
    if (!pronta())
        return;

    TabX->SetUserPerNum(numUser);
    setWindowTitle(QStringLiteral("Agenda - ") + TabX->NomeUser);
    m_rubrica = std::make_unique<Rubrica>(&TabX->IBDatabaseUser);
    CaricaContatti();
}

TContattAgendaForm::~TContattAgendaForm() = default;

bool TContattAgendaForm::pronta() const
{
    return TabX->IBDatabaseUser.attached();
}

void TContattAgendaForm::creaControlli()
{
    LabelData = new QLabel(this);
    LabelData->setObjectName(QStringLiteral("LabelData"));
    LabelData->setFont(tahoma(12, true));
    // Dark blue as well as bold: some copies of Tahoma have a bold face hardly heavier than the
    // regular one, and the date should stand out either way.
    QPalette colore = LabelData->palette();
    colore.setColor(QPalette::WindowText, QColor(0x1F, 0x3A, 0x68));
    LabelData->setPalette(colore);
    aggiornaData();
    // A window left open overnight shows the new day.
    auto* orologio = new QTimer(this);
    connect(orologio, &QTimer::timeout, this, &TContattAgendaForm::aggiornaData);
    orologio->start(60 * 1000);

    auto* labelCerca = new QLabel(QStringLiteral("&Cerca:"), this);
    EditCerca = new QLineEdit(this);
    EditCerca->setObjectName(QStringLiteral("EditCerca"));
    EditCerca->setPlaceholderText(QStringLiteral("nome, telefono, e-mail o note"));
    EditCerca->setClearButtonEnabled(true);
    labelCerca->setBuddy(EditCerca);

    m_modello = new QStandardItemModel(0, NumeroColonne, this);
    m_modello->setHorizontalHeaderLabels({QStringLiteral("Nome"), QStringLiteral("Telefono"),
                                          QStringLiteral("E-mail"), QStringLiteral("Note")});
    m_filtro = new QSortFilterProxyModel(this);
    m_filtro->setSourceModel(m_modello);
    m_filtro->setFilterKeyColumn(-1);
    m_filtro->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_filtro->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_filtro->setSortLocaleAware(true);

    GrigliaContatti = new QTableView(this);
    GrigliaContatti->setObjectName(QStringLiteral("GrigliaContatti"));
    GrigliaContatti->setModel(m_filtro);
    GrigliaContatti->setSelectionBehavior(QAbstractItemView::SelectRows);
    GrigliaContatti->setSelectionMode(QAbstractItemView::SingleSelection);
    GrigliaContatti->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GrigliaContatti->setAlternatingRowColors(true);
    GrigliaContatti->setWordWrap(false);
    GrigliaContatti->setSortingEnabled(true);
    GrigliaContatti->sortByColumn(ColNome, Qt::AscendingOrder);
    GrigliaContatti->verticalHeader()->hide();
    GrigliaContatti->verticalHeader()->setDefaultSectionSize(
        GrigliaContatti->fontMetrics().height() + 8);
    GrigliaContatti->horizontalHeader()->setHighlightSections(false);
    GrigliaContatti->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    GrigliaContatti->horizontalHeader()->setStretchLastSection(true);
    GrigliaContatti->setColumnWidth(ColNome, 190);
    GrigliaContatti->setColumnWidth(ColTelefono, 110);
    GrigliaContatti->setColumnWidth(ColEmail, 200);
    GrigliaContatti->installEventFilter(this);

    LabelConteggio = new QLabel(this);
    LabelConteggio->setObjectName(QStringLiteral("LabelConteggio"));

    ButtonNuovo = pulsante(this, QStringLiteral("ButtonNuovo"), QStringLiteral("&Nuovo"));
    ButtonModifica = pulsante(this, QStringLiteral("ButtonModifica"), QStringLiteral("&Modifica"));
    ButtonElimina = pulsante(this, QStringLiteral("ButtonElimina"), QStringLiteral("&Elimina"));
    ButtonChiudi = pulsante(this, QStringLiteral("ButtonChiudi"), QStringLiteral("C&hiudi"));

    auto* riga1 = new QHBoxLayout;
    riga1->addWidget(LabelData);
    riga1->addStretch();
    riga1->addWidget(labelCerca);
    riga1->addWidget(EditCerca);
    EditCerca->setMinimumWidth(240);

    auto* riga3 = new QHBoxLayout;
    riga3->addWidget(ButtonNuovo);
    riga3->addWidget(ButtonModifica);
    riga3->addWidget(ButtonElimina);
    riga3->addSpacing(12);
    riga3->addWidget(LabelConteggio);
    riga3->addStretch();
    riga3->addWidget(ButtonChiudi);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(riga1);
    layout->addWidget(GrigliaContatti, 1);
    layout->addLayout(riga3);

    connect(EditCerca, &QLineEdit::textChanged, this, [this](const QString& testo) {
        m_filtro->setFilterFixedString(testo);
        aggiornaStato();
    });
    connect(GrigliaContatti->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TContattAgendaForm::aggiornaStato);
    connect(GrigliaContatti, &QTableView::doubleClicked, this, &TContattAgendaForm::ModificaClick);
    connect(ButtonNuovo, &QPushButton::clicked, this, &TContattAgendaForm::NuovoClick);
    connect(ButtonModifica, &QPushButton::clicked, this, &TContattAgendaForm::ModificaClick);
    connect(ButtonElimina, &QPushButton::clicked, this, &TContattAgendaForm::EliminaClick);
    connect(ButtonChiudi, &QPushButton::clicked, this, &QWidget::close);
    // F5 reads the list again, for what other workstations saved meanwhile.
    auto* aggiorna = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(aggiorna, &QShortcut::activated, this, &TContattAgendaForm::CaricaContatti);

    resize(780, 460);
    aggiornaStato();
}

void TContattAgendaForm::aggiornaData()
{
    LabelData->setText(dataEstesa(QDate::currentDate()));
}

void TContattAgendaForm::CaricaContatti()
{
    std::vector<Contatto> contatti;
    try {
        contatti = m_rubrica->contattiDi(m_numUser);
    } catch (const db::DbError& errore) {
        TabX->messages().error(kErroreLettura, errore.message(), this);
        return;
    }
    const std::optional<Contatto> prima = contattoSelezionato();
    m_modello->removeRows(0, m_modello->rowCount());
    for (const Contatto& c : contatti) {
        QStandardItem* nome = cella(c.nome);
        nome->setData(c.codice, kRuoloCodice);
        // The notes may run over several lines; the table shows them on one, the tooltip whole.
        QStandardItem* note = cella(c.note.simplified());
        note->setToolTip(c.note);
        m_modello->appendRow({nome, cella(c.telefono), cella(c.email), note});
    }
    if (prima)
        selezionaCodice(prima->codice);
    aggiornaStato();
}

void TContattAgendaForm::aggiornaStato()
{
    const int totale = m_modello->rowCount();
    const int visibili = m_filtro->rowCount();
    QString testo;
    if (totale == 0)
        testo = QStringLiteral("Nessun contatto");
    else if (visibili == 0)
        testo = QStringLiteral("Nessun contatto trovato");
    else if (visibili < totale)
        testo = QStringLiteral("%1 di %2 contatti").arg(visibili).arg(totale);
    else if (totale == 1)
        testo = QStringLiteral("1 contatto");
    else
        testo = QStringLiteral("%1 contatti").arg(totale);
    LabelConteggio->setText(testo);

    const bool selezione = contattoSelezionato().has_value();
    ButtonModifica->setEnabled(selezione);
    ButtonElimina->setEnabled(selezione);
}

std::optional<Contatto> TContattAgendaForm::contattoSelezionato() const
{
    const QModelIndexList righe = GrigliaContatti->selectionModel()->selectedRows();
    if (righe.isEmpty())
        return std::nullopt;
    const int riga = m_filtro->mapToSource(righe.first()).row();
    Contatto c;
    c.codice = m_modello->item(riga, ColNome)->data(kRuoloCodice).toInt();
    c.nome = m_modello->item(riga, ColNome)->text();
    c.telefono = m_modello->item(riga, ColTelefono)->text();
    c.email = m_modello->item(riga, ColEmail)->text();
    c.note = m_modello->item(riga, ColNote)->toolTip();
    return c;
}

void TContattAgendaForm::selezionaCodice(qint32 codice)
{
    for (int riga = 0; riga < m_modello->rowCount(); ++riga) {
        if (m_modello->item(riga, ColNome)->data(kRuoloCodice).toInt() != codice)
            continue;
        QModelIndex indice = m_filtro->mapFromSource(m_modello->index(riga, ColNome));
        // A contact just saved that the search hides: show everything so it can be seen.
        if (!indice.isValid()) {
            EditCerca->clear();
            indice = m_filtro->mapFromSource(m_modello->index(riga, ColNome));
        }
        GrigliaContatti->selectRow(indice.row());
        GrigliaContatti->scrollTo(indice);
        return;
    }
}

void TContattAgendaForm::NuovoClick()
{
    apriDialogo(QStringLiteral("Nuovo contatto"), Contatto{});
}

void TContattAgendaForm::ModificaClick()
{
    if (const std::optional<Contatto> c = contattoSelezionato())
        apriDialogo(QStringLiteral("Modifica contatto"), *c);
}

void TContattAgendaForm::apriDialogo(const QString& titolo, const Contatto& contatto)
{
    TContattoDialog dialogo(
        titolo, contatto, TabX->messages(), [this](const Contatto& c) { return salva(c); }, this);
    TabX->messages().execDialog(dialogo);
}

bool TContattAgendaForm::salva(const Contatto& contatto)
{
    qint32 codice = contatto.codice;
    try {
        if (codice == 0) {
            codice = m_rubrica->inserisci(m_numUser, contatto);
        } else if (!m_rubrica->modifica(m_numUser, contatto)) {
            // Deleted meanwhile on another workstation: what was typed is kept only if wanted.
            if (!TabX->messages().confirm(kContattoSparito, this)) {
                CaricaContatti();
                return true;
            }
            codice = m_rubrica->inserisci(m_numUser, contatto);
        }
    } catch (const db::DbError& errore) {
        TabX->messages().error(errore.isLockConflict() ? kContattoBloccato : kErroreSalvataggio,
                               errore.message(), this);
        return false;
    }
    CaricaContatti();
    selezionaCodice(codice);
    return true;
}

void TContattAgendaForm::EliminaClick()
{
    const std::optional<Contatto> c = contattoSelezionato();
    if (!c || !TabX->messages().confirm(kConfermaEliminazione, this))
        return;
    const int riga = GrigliaContatti->selectionModel()->selectedRows().first().row();
    try {
        // A contact already deleted elsewhere is simply gone from the list too.
        m_rubrica->elimina(m_numUser, c->codice);
    } catch (const db::DbError& errore) {
        TabX->messages().error(
            errore.isLockConflict() ? kEliminazioneBloccata : kErroreEliminazione, errore.message(),
            this);
        return;
    }
    CaricaContatti();
    // The row that took the deleted one's place is selected, so several can be deleted in a row.
    const int resto = m_filtro->rowCount();
    if (resto > 0)
        GrigliaContatti->selectRow(std::min(riga, resto - 1));
}

bool TContattAgendaForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == GrigliaContatti && event->type() == QEvent::KeyPress) {
        const int tasto = static_cast<QKeyEvent*>(event)->key();
        if (tasto == Qt::Key_Return || tasto == Qt::Key_Enter) {
            ModificaClick();
            return true;
        }
        if (tasto == Qt::Key_Delete) {
            EliminaClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace velkora::rubrivo

#include "ContattAgendaForm.h"

#include "ContattoDialog.h"

#include <QDate>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
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
    : FinestraElenco(QStringLiteral("ContattAgendaForm"),
                     {QStringLiteral("contatto"), QStringLiteral("contatti")}, environment)
    , m_numUser(numUser)
{
    creaControlli();
    if (!pronta())
        return;

    TabX->SetUserPerNum(numUser);
    setWindowTitle(QStringLiteral("Agenda - ") + TabX->NomeUser);
    m_rubrica = std::make_unique<Rubrica>(&TabX->IBDatabaseUser);
    CaricaContatti();
}

TContattAgendaForm::~TContattAgendaForm() = default;

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
    rigaCerca()->insertWidget(0, LabelData);
    rigaCerca()->insertStretch(1);

    EditCerca->setPlaceholderText(QStringLiteral("nome, telefono, e-mail o note"));

    m_modello = new QStandardItemModel(0, NumeroColonne, this);
    m_modello->setHorizontalHeaderLabels({QStringLiteral("Nome"), QStringLiteral("Telefono"),
                                          QStringLiteral("E-mail"), QStringLiteral("Note")});
    impostaModello(m_modello);

    GrigliaContatti = Griglia;
    GrigliaContatti->setObjectName(QStringLiteral("GrigliaContatti"));
    GrigliaContatti->setSortingEnabled(true);
    GrigliaContatti->sortByColumn(ColNome, Qt::AscendingOrder);
    GrigliaContatti->setColumnWidth(ColNome, 190);
    GrigliaContatti->setColumnWidth(ColTelefono, 110);
    GrigliaContatti->setColumnWidth(ColEmail, 200);
    GrigliaContatti->installEventFilter(this);

    ButtonNuovo = pulsante(QStringLiteral("ButtonNuovo"), QStringLiteral("&Nuovo"));
    ButtonModifica = pulsante(QStringLiteral("ButtonModifica"), QStringLiteral("&Modifica"));
    ButtonElimina = pulsante(QStringLiteral("ButtonElimina"), QStringLiteral("&Elimina"));
    ButtonChiudi = pulsante(QStringLiteral("ButtonChiudi"), QStringLiteral("C&hiudi"));

    auto* pulsanti = new QHBoxLayout;
    pulsanti->addWidget(ButtonNuovo);
    pulsanti->addWidget(ButtonModifica);
    pulsanti->addWidget(ButtonElimina);
    pulsanti->addStretch();
    pulsanti->addWidget(ButtonChiudi);
    corpo()->addLayout(pulsanti);

    connect(GrigliaContatti->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TContattAgendaForm::aggiornaStato);
    connect(GrigliaContatti, &QTableView::doubleClicked, this, &TContattAgendaForm::ModificaClick);
    connect(ButtonNuovo, &QPushButton::clicked, this, &TContattAgendaForm::NuovoClick);
    connect(ButtonModifica, &QPushButton::clicked, this, &TContattAgendaForm::ModificaClick);
    connect(ButtonElimina, &QPushButton::clicked, this, &TContattAgendaForm::EliminaClick);
    connect(ButtonChiudi, &QPushButton::clicked, this, &QWidget::close);

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
    FinestraElenco::aggiornaStato();
    if (!ButtonModifica) // not while the window is still being built
        return;
    const bool selezione = contattoSelezionato().has_value();
    ButtonModifica->setEnabled(selezione);
    ButtonElimina->setEnabled(selezione);
}

std::optional<Contatto> TContattAgendaForm::contattoSelezionato() const
{
    const QModelIndexList righe = GrigliaContatti->selectionModel()->selectedRows();
    if (righe.isEmpty())
        return std::nullopt;
    const int riga = filtro()->mapToSource(righe.first()).row();
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
        if (m_modello->item(riga, ColNome)->data(kRuoloCodice).toInt() == codice) {
            vaiARigaModello(riga, ColNome);
            return;
        }
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
    const int resto = filtro()->rowCount();
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

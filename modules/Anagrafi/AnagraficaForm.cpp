#include "AnagraficaForm.h"

#include "ArchivioDitta.h"
#include "ModelloAnagrafica.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <velkora/TabXForm.h>
#include <velkora/db/DbError.h>
#include <velkora/db/QueryDataSet.h>
#include <velkora/db/UpdateSql.h>
#include <velkora/platform/MessageService.h>
#include <velkora/services/WindowPositions.h>

namespace velkora::anagrafi {

namespace {

const QString kErroreLettura = QStringLiteral(
    "Errore nella lettura dell'archivio: controllare il collegamento al database e riprovare.");
const QString kErroreScrittura =
    QStringLiteral("Errore nella registrazione della riga: i dati inseriti restano nella finestra "
                   "e non sono ancora salvati.");
QFont tahoma(int punti)
{
    return QFont(QStringLiteral("Tahoma"), punti);
}

QPushButton* pulsante(QWidget* parent, const QString& nome, const QString& testo)
{
    auto* b = new QPushButton(testo, parent);
    b->setObjectName(nome);
    return b;
}

// The statements that write a row of the list back: every column bound by name, the row found
// by the key it had when it was read.
void preparaScritture(db::UpdateSql& scritture, const QString& tabella)
{
    QStringList colonne;
    QStringList parametri;
    QStringList assegnazioni;
    for (const Campo& c : campiAnagrafica()) {
        colonne << c.colonna;
        parametri << QLatin1Char(':') + c.colonna;
        assegnazioni << c.colonna + QStringLiteral("=:") + c.colonna;
    }
    scritture.modifySql() = {QStringLiteral("UPDATE ") + tabella,
                             QStringLiteral("SET ") + assegnazioni.join(QStringLiteral(", ")),
                             QStringLiteral("WHERE CODICE=:OLD_CODICE")};
    scritture.insertSql() = {QStringLiteral("INSERT INTO ") + tabella + QStringLiteral(" (")
                                 + colonne.join(QStringLiteral(", ")) + QLatin1Char(')'),
                             QStringLiteral("VALUES (") + parametri.join(QStringLiteral(", "))
                                 + QLatin1Char(')')};
    scritture.deleteSql() = {QStringLiteral("DELETE FROM ") + tabella,
                             QStringLiteral("WHERE CODICE=:OLD_CODICE")};
}

} // namespace

TAnagraficaForm::TAnagraficaForm(const Anagrafica& anagrafica, qint32 numUser,
                                 const platform::Environment& environment)
    : QWidget(nullptr), m_anagrafica(anagrafica), m_numUser(numUser)
{
    setObjectName(anagrafica.nomeFinestra);
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(tahoma(8));
    // The window lives in the program's process: when the program ends its loop, close it so the
    // changes are asked about and the connections detach cleanly.
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                &QWidget::close);

    TabX = new TTabXForm(this, 0, environment);
    creaControlli();
    if (!TabX->IBDatabaseUser.attached())
        return;
    TabX->SetUserPerNum(numUser);
    setWindowTitle(anagrafica.titolo + QStringLiteral(" - ") + TabX->DittaCorrente);
    if (!apriArchivio(*TabX, anagrafica.tabella))
        return;
    apriDati();
    if (!m_pronta)
        return;
    try {
        // The window's script row, per project, window and user; nothing here runs it.
        TabX->IniScriptForm(QStringLiteral("ANAGRAFI"), anagrafica.nomeFinestra, QStringLiteral("0"),
                            QString::number(numUser),
                            QStringLiteral("// ") + anagrafica.titolo
                                + QStringLiteral(": nessuna istruzione"),
                            QStringLiteral("0"));
    } catch (const db::DbError& errore) {
        // Only the script row is missing: the window works without it.
        qWarning("Riga dello script della finestra non scritta: %s", qUtf8Printable(errore.message()));
    }
    try {
        CaricaPosizioneFinestra(this, numUser, anagrafica.situazione, kProgettoAnagrafi,
                                TabX->IBDatabaseUser);
    } catch (const db::DbError& errore) {
        // Only the place of the window is lost: it opens where the system puts it.
        qWarning("Posizione della finestra non letta: %s", qUtf8Printable(errore.message()));
    }
}

TAnagraficaForm::~TAnagraficaForm()
{
    // The dataset and its statements go before the data form's connections.
    m_dataSet.reset();
    m_scritture.reset();
}

void TAnagraficaForm::creaControlli()
{
    auto* labelCerca = new QLabel(QStringLiteral("&Cerca:"), this);
    EditCerca = new QLineEdit(this);
    EditCerca->setObjectName(QStringLiteral("EditCerca"));
    EditCerca->setPlaceholderText(QStringLiteral("ragione sociale, città, partita IVA, telefono..."));
    EditCerca->setClearButtonEnabled(true);
    EditCerca->setMinimumWidth(280);
    labelCerca->setBuddy(EditCerca);

    m_modello = new ModelloAnagrafica(this);
    m_filtro = new QSortFilterProxyModel(this);
    m_filtro->setSourceModel(m_modello);
    m_filtro->setFilterKeyColumn(-1);
    m_filtro->setFilterCaseSensitivity(Qt::CaseInsensitive);

    Griglia = new QTableView(this);
    Griglia->setObjectName(QStringLiteral("Griglia"));
    Griglia->setModel(m_filtro);
    Griglia->setSelectionBehavior(QAbstractItemView::SelectRows);
    Griglia->setSelectionMode(QAbstractItemView::SingleSelection);
    Griglia->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Griglia->setAlternatingRowColors(true);
    Griglia->setWordWrap(false);
    Griglia->verticalHeader()->hide();
    Griglia->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Griglia->verticalHeader()->setDefaultSectionSize(Griglia->fontMetrics().height() + 8);
    Griglia->horizontalHeader()->setHighlightSections(false);
    Griglia->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Griglia->horizontalHeader()->setStretchLastSection(true);
    for (size_t i = 0; i < campiAnagrafica().size(); ++i)
        Griglia->setColumnWidth(static_cast<int>(i), campiAnagrafica()[i].larghezza);

    LabelConteggio = new QLabel(this);
    LabelConteggio->setObjectName(QStringLiteral("LabelConteggio"));

    // The fields of the selected row, two columns of label and field.
    auto* dettaglio = new QGridLayout;
    LabelCodice = new QLabel(this);
    LabelCodice->setObjectName(QStringLiteral("LabelCodice"));
    dettaglio->addWidget(new QLabel(QStringLiteral("Codice:"), this), 0, 0);
    dettaglio->addWidget(LabelCodice, 0, 1);
    for (size_t i = 1; i < campiAnagrafica().size(); ++i) {
        const Campo& c = campiAnagrafica()[i];
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Edit") + c.colonna);
        edit->setMaxLength(c.lunghezza);
        auto* etichetta = new QLabel(c.etichetta + QLatin1Char(':'), this);
        etichetta->setBuddy(edit);
        const int posto = static_cast<int>(i);
        const int riga = posto <= 5 ? posto : posto - 5;
        const int colonna = posto <= 5 ? 0 : 2;
        dettaglio->addWidget(etichetta, riga, colonna);
        if (c.lunghezza > 0 && c.lunghezza <= 5) {
            // A postcode or a province: as wide as its few characters, not as the column.
            edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(
                                    QString(c.lunghezza + 2, QLatin1Char('M'))));
            dettaglio->addWidget(edit, riga, colonna + 1, Qt::AlignLeft);
        } else {
            dettaglio->addWidget(edit, riga, colonna + 1);
        }
        Campi.push_back(edit);
        connect(edit, &QLineEdit::textEdited, this,
                [this, posto](const QString& testo) { campoModificato(posto, testo); });
    }
    dettaglio->setColumnStretch(1, 1);
    dettaglio->setColumnStretch(3, 1);

    ButtonNuovo = pulsante(this, QStringLiteral("ButtonNuovo"), QStringLiteral("&Nuovo"));
    ButtonElimina = pulsante(this, QStringLiteral("ButtonElimina"), QStringLiteral("&Elimina"));
    ButtonAnnulla = pulsante(this, QStringLiteral("ButtonAnnulla"), QStringLiteral("A&nnulla"));
    ButtonAggiorna = pulsante(this, QStringLiteral("ButtonAggiorna"), QStringLiteral("A&ggiorna"));
    ButtonSalva = pulsante(this, QStringLiteral("ButtonSalva"), QStringLiteral("&Salva"));
    ButtonChiudi = pulsante(this, QStringLiteral("ButtonChiudi"), QStringLiteral("C&hiudi"));
    ButtonStampa = pulsante(this, QStringLiteral("ButtonStampa"), QStringLiteral("Stam&pa"));
    ButtonSalva->setIconSize(QSize(16, 16));

    auto* riga1 = new QHBoxLayout;
    riga1->addWidget(labelCerca);
    riga1->addWidget(EditCerca);
    riga1->addStretch();
    riga1->addWidget(LabelConteggio);

    auto* pulsanti = new QHBoxLayout;
    pulsanti->addWidget(ButtonNuovo);
    pulsanti->addWidget(ButtonElimina);
    pulsanti->addSpacing(12);
    pulsanti->addWidget(ButtonAnnulla);
    pulsanti->addWidget(ButtonAggiorna);
    pulsanti->addWidget(ButtonSalva);
    pulsanti->addStretch();
    pulsanti->addWidget(ButtonStampa);
    pulsanti->addWidget(ButtonChiudi);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(riga1);
    layout->addWidget(Griglia, 1);
    layout->addLayout(dettaglio);
    layout->addLayout(pulsanti);

    connect(EditCerca, &QLineEdit::textChanged, this, [this](const QString& testo) {
        m_filtro->setFilterFixedString(testo);
        aggiornaStato();
    });
    connect(Griglia->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TAnagraficaForm::seguiSelezione);
    connect(ButtonNuovo, &QPushButton::clicked, this, &TAnagraficaForm::NuovoClick);
    connect(ButtonElimina, &QPushButton::clicked, this, &TAnagraficaForm::EliminaClick);
    connect(ButtonAnnulla, &QPushButton::clicked, this, &TAnagraficaForm::AnnullaClick);
    connect(ButtonAggiorna, &QPushButton::clicked, this, &TAnagraficaForm::AggiornaClick);
    connect(ButtonSalva, &QPushButton::clicked, this, &TAnagraficaForm::SalvaClick);
    connect(ButtonChiudi, &QPushButton::clicked, this, &QWidget::close);
    connect(ButtonStampa, &QPushButton::clicked, this, &TAnagraficaForm::StampaClick);
    auto* salva = new QShortcut(QKeySequence::Save, this);
    connect(salva, &QShortcut::activated, this, &TAnagraficaForm::SalvaClick);
    auto* aggiorna = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(aggiorna, &QShortcut::activated, this, &TAnagraficaForm::AggiornaClick);

    resize(980, 600);
    impostaPulsanteSalva(false);
}

void TAnagraficaForm::apriDati()
{
    m_dataSet = std::make_unique<db::QueryDataSet>(&TabX->IBDatabase1);
    m_scritture = std::make_unique<db::UpdateSql>();
    preparaScritture(*m_scritture, m_anagrafica.tabella);
    m_dataSet->setSql(selezioneAnagrafica(m_anagrafica));
    m_dataSet->setUpdateObject(m_scritture.get());
    try {
        m_dataSet->open();
    } catch (const db::DbError& errore) {
        TabX->messages().error(kErroreLettura, errore.message(), this);
        return;
    }
    m_modello->carica(*m_dataSet);
    if (m_filtro->rowCount() > 0)
        Griglia->selectRow(0);
    m_pronta = true;
    mostraRiga();
    aggiornaStato();
}

bool TAnagraficaForm::modificato() const
{
    return tagPulsante(*ButtonSalva) == 1;
}

void TAnagraficaForm::impostaPulsanteSalva(bool rosso)
{
    setTagPulsante(*ButtonSalva, rosso ? 1 : 0);
    ButtonSalva->setIcon(QIcon(QPixmap(rosso ? TabX->PercorsoRosso : TabX->PercorsoVerde)));
}

int TAnagraficaForm::rigaSelezionata() const
{
    const QModelIndex corrente = Griglia->selectionModel()->currentIndex();
    if (!corrente.isValid())
        return -1;
    return m_filtro->mapToSource(corrente).row();
}

qint32 TAnagraficaForm::codiceSelezionato() const
{
    return m_modello->codice(rigaSelezionata());
}

bool TAnagraficaForm::selezionaCodice(qint32 codice)
{
    const int riga = m_modello->rigaDelCodice(codice);
    if (riga < 0)
        return false;
    QModelIndex indice = m_filtro->mapFromSource(m_modello->index(riga, 1));
    // A row the search hides: show everything so it can be seen.
    if (!indice.isValid()) {
        EditCerca->clear();
        indice = m_filtro->mapFromSource(m_modello->index(riga, 1));
    }
    Griglia->setCurrentIndex(indice);
    Griglia->selectRow(indice.row());
    Griglia->scrollTo(indice);
    return true;
}

void TAnagraficaForm::vaiARiga(int riga)
{
    // The dataset moves one row at a time; its rows are in memory, so this is cheap.
    m_dataSet->first();
    while (!m_dataSet->eof() && m_dataSet->row() < riga)
        m_dataSet->next();
}

void TAnagraficaForm::seguiSelezione()
{
    if (!m_dataSet || !m_dataSet->active())
        return;
    const int riga = rigaSelezionata();
    if (riga != m_dataSet->row()) {
        // Leaving a row that was changed writes it into the open transaction, as a grid posts
        // the row it leaves; it is committed by the save.
        if (!registraModifica()) {
            const QModelIndex torna =
                m_filtro->mapFromSource(m_modello->index(m_dataSet->row(), 1));
            const QSignalBlocker blocco(Griglia->selectionModel());
            Griglia->setCurrentIndex(torna);
            Griglia->selectRow(torna.row());
            return;
        }
        if (riga >= 0)
            vaiARiga(riga);
    }
    mostraRiga();
    aggiornaStato();
}

void TAnagraficaForm::mostraRiga()
{
    const bool riga = m_dataSet && m_dataSet->active() && !m_dataSet->isEmpty()
                      && rigaSelezionata() >= 0;
    LabelCodice->setText(riga ? m_dataSet->asString(QStringLiteral("CODICE")) : QString());
    for (size_t i = 0; i < Campi.size(); ++i) {
        Campi[i]->setText(riga ? m_dataSet->asString(campiAnagrafica()[i + 1].colonna) : QString());
        Campi[i]->setEnabled(riga);
        Campi[i]->setCursorPosition(0);
    }
}

void TAnagraficaForm::campoModificato(int campo, const QString& testo)
{
    if (!m_dataSet || !m_dataSet->active() || m_dataSet->isEmpty())
        return;
    if (m_dataSet->state() == db::QueryDataSet::State::Browse) {
        if (!bloccaRiga()) {
            mostraRiga(); // the edit does not begin: what was typed goes
            return;
        }
        m_dataSet->edit();
    }
    const QString& colonna = campiAnagrafica()[static_cast<size_t>(campo)].colonna;
    m_dataSet->setField(colonna, testo.isEmpty() ? QVariant() : QVariant(testo));
    m_modello->copiaRiga(m_dataSet->row(), *m_dataSet);
}

bool TAnagraficaForm::registraModifica()
{
    if (!m_dataSet || (m_dataSet->state() != db::QueryDataSet::State::Edit
                       && m_dataSet->state() != db::QueryDataSet::State::Insert))
        return true;
    try {
        m_dataSet->post();
    } catch (const db::DbError& errore) {
        TabX->messages().error(kErroreScrittura, errore.message(), this);
        return false;
    } catch (const db::DbLogicError& errore) {
        // A value the archive cannot hold (a character outside its character set): the layer
        // refused it before writing, and its message says which field and why.
        const platform::FailureText testo = errore.describe();
        TabX->messages().error(testo.message, testo.detail, this);
        return false;
    } catch (const db::RecordDeleted& errore) {
        // The row is gone from the table and from the dataset: the grid follows.
        const platform::FailureText testo = errore.describe();
        TabX->messages().warning(testo.message, testo.detail, this);
        ricaricaGriglia();
        return false;
    }
    return true;
}

void TAnagraficaForm::ricaricaGriglia()
{
    if (!m_dataSet->active()) {
        m_modello->svuota();
    } else if (m_dataSet->state() == db::QueryDataSet::State::Browse) {
        const bool riga = !m_dataSet->isEmpty() && !m_dataSet->eof();
        const qint32 codice =
            riga ? static_cast<qint32>(m_dataSet->asInteger(QStringLiteral("CODICE"))) : 0;
        m_modello->carica(*m_dataSet);
        if ((!riga || !selezionaCodice(codice)) && m_filtro->rowCount() > 0)
            Griglia->selectRow(0);
    } else {
        // A row still being edited (a save that failed): only that row can have changed.
        m_modello->copiaRiga(m_dataSet->row(), *m_dataSet);
    }
    mostraRiga();
    aggiornaStato();
}

void TAnagraficaForm::aggiornaStato()
{
    const int totale = m_modello->rowCount();
    const int visibili = m_filtro->rowCount();
    const QString plurale = m_anagrafica.tabella.toLower();
    QString testo;
    if (totale == 0)
        testo = QStringLiteral("Nessun ") + m_anagrafica.singolare;
    else if (visibili == 0)
        testo = QStringLiteral("Nessun %1 trovato").arg(m_anagrafica.singolare);
    else if (visibili < totale)
        testo = QStringLiteral("%1 di %2 %3").arg(visibili).arg(totale).arg(plurale);
    else if (totale == 1)
        testo = QStringLiteral("1 ") + m_anagrafica.singolare;
    else
        testo = QStringLiteral("%1 %2").arg(totale).arg(plurale);
    LabelConteggio->setText(testo);
    ButtonElimina->setEnabled(rigaSelezionata() >= 0);
}

void TAnagraficaForm::closeEvent(QCloseEvent* event)
{
    if (m_pronta) {
        if (!chiudi()) {
            event->ignore();
            return;
        }
        try {
            SalvaPosizioneFinestra(this, m_numUser, m_anagrafica.situazione, kProgettoAnagrafi,
                                   TabX->IBDatabaseUser);
        } catch (const db::DbError& errore) {
            qWarning("Posizione della finestra non salvata: %s", qUtf8Printable(errore.message()));
        }
    }
    event->accept();
}

} // namespace velkora::anagrafi

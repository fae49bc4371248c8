#include <velkora/kit/FinestraArchivio.h>

#include "ModelloArchivio.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <velkora/TabXForm.h>
#include <velkora/db/DbError.h>
#include <velkora/db/Decimal.h>
#include <velkora/db/QueryDataSet.h>
#include <velkora/db/UpdateSql.h>
#include <velkora/kit/ArchivioDitta.h>
#include <velkora/platform/MessageService.h>

namespace velkora::kit {

namespace {

const QString kErroreLettura = QStringLiteral(
    "Errore nella lettura dell'archivio: controllare il collegamento al database e riprovare.");
// The rows read before the window first paints (more than a screenful of the tallest window)
// and those read per turn of the event loop afterwards (a few milliseconds of work each).
constexpr int kPrimaPagina = 100;
constexpr int kPaginaSuccessiva = 2000;

const QString kErroreScrittura =
    QStringLiteral("Errore nella registrazione della riga: i dati inseriti restano nella finestra "
                   "e non sono ancora salvati.");

// The selection the window reads its rows with: every column, in the table's order.
QStringList selezione(const DescrizioneArchivio& d)
{
    QStringList colonne;
    for (const ColonnaArchivio& c : d.colonne)
        colonne << c.colonna;
    // The table and column names are the module's own constants, never a caller's text.
    return {QStringLiteral("SELECT ") + colonne.join(QStringLiteral(", ")),
            QStringLiteral("FROM ") + d.tabella, QStringLiteral("ORDER BY ") + d.ordine};
}

// The statements that write a row back: every column bound by name, the row found by the key it
// had when it was read.
void preparaScritture(db::UpdateSql& scritture, const DescrizioneArchivio& d)
{
    const QString chiave = d.colonne.front().colonna;
    QStringList colonne;
    QStringList parametri;
    QStringList assegnazioni;
    for (const ColonnaArchivio& c : d.colonne) {
        colonne << c.colonna;
        parametri << QLatin1Char(':') + c.colonna;
        assegnazioni << c.colonna + QStringLiteral("=:") + c.colonna;
    }
    const QString dove = QStringLiteral("WHERE ") + chiave + QStringLiteral("=:OLD_") + chiave;
    scritture.modifySql() = {QStringLiteral("UPDATE ") + d.tabella,
                             QStringLiteral("SET ") + assegnazioni.join(QStringLiteral(", ")),
                             dove};
    scritture.insertSql() = {QStringLiteral("INSERT INTO ") + d.tabella + QStringLiteral(" (")
                                 + colonne.join(QStringLiteral(", ")) + QLatin1Char(')'),
                             QStringLiteral("VALUES (") + parametri.join(QStringLiteral(", "))
                                 + QLatin1Char(')')};
    scritture.deleteSql() = {QStringLiteral("DELETE FROM ") + d.tabella, dove};
}

// What a field of a number column accepts while one types: digits, a sign, and for an amount
// one decimal separator (comma or point) with at most the column's decimals.
QValidator* validatore(const ColonnaArchivio& c, QObject* parent)
{
    const QString decimali =
        c.tipo == ColonnaArchivio::Tipo::Decimale && c.decimali > 0
            ? QStringLiteral("([,.][0-9]{0,%1})?").arg(c.decimali)
            : QString();
    return new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("-?[0-9]{0,15}") + decimali), parent);
}

// The value a field's text stands for in its column: NULL for an empty field; an amount exact,
// with the column's decimals. A number still being typed ("12," or "-") counts as far as it goes.
QVariant valoreDelCampo(const ColonnaArchivio& c, const QString& testo)
{
    if (c.tipo == ColonnaArchivio::Tipo::Testo)
        return testo.isEmpty() ? QVariant() : QVariant(testo);
    QString cifre = testo.trimmed();
    while (!cifre.isEmpty() && !cifre.back().isDigit())
        cifre.chop(1);
    if (cifre.isEmpty() || cifre == QLatin1String("-"))
        return {};
    const std::optional<db::Decimal> numero = db::Decimal::fromString(cifre);
    if (!numero)
        return {};
    if (c.tipo == ColonnaArchivio::Tipo::Intero)
        return QVariant(numero->integerPart());
    const std::optional<db::Decimal> esatto = numero->rescaled(c.decimali);
    return esatto ? QVariant::fromValue(*esatto) : QVariant();
}

} // namespace

FinestraArchivio::FinestraArchivio(const DescrizioneArchivio& descrizione, qint32 numUser,
                                   const platform::Environment& environment)
    : FinestraElenco(descrizione.nomeFinestra, descrizione.nomi, environment)
    , m_descrizione(descrizione)
    , m_numUser(numUser)
{
    m_modello = new ModelloArchivio(m_descrizione.colonne, this);
    impostaModello(m_modello);
    EditCerca->setPlaceholderText(descrizione.suggerimentoRicerca);
    EditCerca->setMinimumWidth(280);
    for (size_t i = 0; i < m_descrizione.colonne.size(); ++i)
        Griglia->setColumnWidth(static_cast<int>(i), m_descrizione.colonne[i].larghezza);
    creaCampi();
    if (!TabX->IBDatabaseUser.attached())
        return;
    // The user, his company and the archive of that company, read together.
    const QString archivio =
        TabX->SetUserPerNumConParametro(numUser, QString::fromLatin1(kParametroArchivio));
    setWindowTitle(descrizione.titolo + QStringLiteral(" - ") + TabX->DittaCorrente);
    if (!apriArchivio(*TabX, archivio))
        return;
    apriDati();
    if (!m_pronta)
        return;
    ricordaPosizione(numUser, descrizione.situazione, descrizione.progetto);
    // Nothing on the screen depends on the script row: it is written on the next turn of the
    // event loop, after the first rows are painted.
    QTimer::singleShot(0, this, &FinestraArchivio::scriviRigaScript);
}

void FinestraArchivio::scriviRigaScript()
{
    try {
        // The window's script row, per project, window and user; nothing here runs it.
        TabX->IniScriptForm(m_descrizione.progettoScript, m_descrizione.nomeFinestra,
                            QStringLiteral("0"), QString::number(m_numUser),
                            QStringLiteral("// ") + m_descrizione.titolo
                                + QStringLiteral(": nessuna istruzione"),
                            QStringLiteral("0"));
    } catch (const db::DbError& errore) {
        // Only the script row is missing: the window works without it.
        qWarning("Riga dello script della finestra non scritta: %s", qUtf8Printable(errore.message()));
    }
}

FinestraArchivio::~FinestraArchivio() = default;

void FinestraArchivio::creaCampi()
{
    // The fields of the selected row, two columns of label and field.
    auto* dettaglio = new QGridLayout;
    LabelCodice = new QLabel(this);
    LabelCodice->setObjectName(QStringLiteral("LabelCodice"));
    dettaglio->addWidget(new QLabel(m_descrizione.colonne.front().etichetta + QLatin1Char(':'), this),
                         0, 0);
    dettaglio->addWidget(LabelCodice, 0, 1);
    const int perColonna = static_cast<int>(m_descrizione.colonne.size()) / 2;
    for (size_t i = 1; i < m_descrizione.colonne.size(); ++i) {
        const ColonnaArchivio& c = m_descrizione.colonne[i];
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("Edit") + c.colonna);
        if (c.lunghezza > 0)
            edit->setMaxLength(c.lunghezza);
        if (c.tipo != ColonnaArchivio::Tipo::Testo) {
            edit->setValidator(validatore(c, edit));
            edit->setAlignment(Qt::AlignRight);
        }
        auto* etichetta = new QLabel(c.etichetta + QLatin1Char(':'), this);
        etichetta->setBuddy(edit);
        const int posto = static_cast<int>(i);
        const int riga = posto <= perColonna ? posto : posto - perColonna;
        const int colonna = posto <= perColonna ? 0 : 2;
        dettaglio->addWidget(etichetta, riga, colonna);
        if (c.lunghezza > 0 && c.lunghezza <= 5) {
            // A postcode, a province, a unit: as wide as its few characters, not as the column.
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

    ButtonNuovo = pulsante(QStringLiteral("ButtonNuovo"), QStringLiteral("&Nuovo"));
    ButtonElimina = pulsante(QStringLiteral("ButtonElimina"), QStringLiteral("&Elimina"));
    ButtonAnnulla = pulsante(QStringLiteral("ButtonAnnulla"), QStringLiteral("A&nnulla"));
    ButtonAggiorna = pulsante(QStringLiteral("ButtonAggiorna"), QStringLiteral("A&ggiorna"));
    ButtonSalva = pulsante(QStringLiteral("ButtonSalva"), QStringLiteral("&Salva"));
    ButtonStampa = pulsante(QStringLiteral("ButtonStampa"), QStringLiteral("Stam&pa"));
    ButtonEsporta = pulsante(QStringLiteral("ButtonEsporta"), QStringLiteral("Espor&ta"));
    ButtonChiudi = pulsante(QStringLiteral("ButtonChiudi"), QStringLiteral("C&hiudi"));
    ButtonSalva->setIconSize(QSize(16, 16));

    auto* pulsanti = new QHBoxLayout;
    pulsanti->addWidget(ButtonNuovo);
    pulsanti->addWidget(ButtonElimina);
    pulsanti->addSpacing(12);
    pulsanti->addWidget(ButtonAnnulla);
    pulsanti->addWidget(ButtonAggiorna);
    pulsanti->addWidget(ButtonSalva);
    pulsanti->addStretch();
    pulsanti->addWidget(ButtonStampa);
    pulsanti->addWidget(ButtonEsporta);
    pulsanti->addWidget(ButtonChiudi);
    corpo()->addLayout(dettaglio);
    corpo()->addLayout(pulsanti);

    connect(Griglia->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &FinestraArchivio::seguiSelezione);
    connect(ButtonNuovo, &QPushButton::clicked, this, &FinestraArchivio::NuovoClick);
    connect(ButtonElimina, &QPushButton::clicked, this, &FinestraArchivio::EliminaClick);
    connect(ButtonAnnulla, &QPushButton::clicked, this, &FinestraArchivio::AnnullaClick);
    connect(ButtonAggiorna, &QPushButton::clicked, this, &FinestraArchivio::AggiornaClick);
    connect(ButtonSalva, &QPushButton::clicked, this, &FinestraArchivio::SalvaClick);
    connect(ButtonStampa, &QPushButton::clicked, this, &FinestraArchivio::StampaClick);
    connect(ButtonEsporta, &QPushButton::clicked, this, &FinestraArchivio::EsportaClick);
    connect(ButtonChiudi, &QPushButton::clicked, this, &QWidget::close);
    auto* salva = new QShortcut(QKeySequence::Save, this);
    connect(salva, &QShortcut::activated, this, &FinestraArchivio::SalvaClick);

    resize(980, 600);
    impostaPulsanteSalva(false);
}

void FinestraArchivio::apriDati()
{
    m_scritture = std::make_unique<db::UpdateSql>();
    preparaScritture(*m_scritture, m_descrizione);
    m_dataSet = std::make_unique<db::QueryDataSet>(&TabX->IBDatabase1);
    m_dataSet->setPageSize(kPrimaPagina);
    m_dataSet->setSql(selezione(m_descrizione));
    m_dataSet->setUpdateObject(m_scritture.get());
    try {
        m_dataSet->open();
    } catch (const db::DbError& errore) {
        // The archive is not checked for the table beforehand, which would cost every opening
        // a read: only a read that failed asks whether the table is there.
        if (!segnalaTabellaMancante(*TabX, m_descrizione.tabella))
            TabX->messages().error(kErroreLettura, errore.message(), this);
        return;
    }
    m_modello->carica(*m_dataSet);
    if (filtro()->rowCount() > 0)
        Griglia->selectRow(0);
    m_pronta = true;
    mostraRiga();
    aggiornaStato();
    leggiAltreRighe();
}

void FinestraArchivio::leggiAltreRighe()
{
    if (m_letturaInCorso || !m_dataSet || !m_dataSet->active() || m_dataSet->allFetched())
        return;
    m_letturaInCorso = true;
    QTimer::singleShot(0, this, [this] {
        m_letturaInCorso = false;
        // An edit in progress shows its row past the end of the grid: the rest waits for it.
        if (!m_dataSet || m_dataSet->state() != db::QueryDataSet::State::Browse)
            return;
        try {
            m_dataSet->fetchMore(kPaginaSuccessiva);
        } catch (const std::exception&) {
            // Said when the rows are needed (leggiTutto); the list shows what was read.
        }
        m_modello->allinea(*m_dataSet);
        aggiornaStato();
        leggiAltreRighe();
    });
}

bool FinestraArchivio::leggiTutto()
{
    if (!m_dataSet || !m_dataSet->active())
        return true;
    try {
        m_dataSet->fetchAll();
    } catch (const db::DbError& errore) {
        TabX->messages().error(kErroreLettura, errore.message(), this);
        return false;
    } catch (const db::DbLogicError& errore) {
        TabX->messages().error(errore.describe(), this);
        return false;
    }
    m_modello->allinea(*m_dataSet);
    return true;
}

bool FinestraArchivio::modificato() const
{
    return tagPulsante(*ButtonSalva) == 1;
}

void FinestraArchivio::impostaPulsanteSalva(bool rosso)
{
    setTagPulsante(*ButtonSalva, rosso ? 1 : 0);
    ButtonSalva->setIcon(QIcon(QPixmap(rosso ? TabX->PercorsoRosso : TabX->PercorsoVerde)));
}

qint32 FinestraArchivio::codiceSelezionato() const
{
    return m_modello->codice(rigaCorrente());
}

bool FinestraArchivio::selezionaCodice(qint32 codice)
{
    int riga = m_modello->rigaDelCodice(codice);
    // A row not read yet: the rest of the table is read to find it.
    if (riga < 0 && !m_dataSet->allFetched() && leggiTutto())
        riga = m_modello->rigaDelCodice(codice);
    if (riga < 0)
        return false;
    vaiARigaModello(riga, 1);
    return true;
}

void FinestraArchivio::vaiARiga(int riga)
{
    // The dataset moves one row at a time; its rows are in memory, so this is cheap.
    m_dataSet->first();
    while (!m_dataSet->eof() && m_dataSet->row() < riga)
        m_dataSet->next();
}

void FinestraArchivio::seguiSelezione()
{
    if (!m_dataSet || !m_dataSet->active())
        return;
    const int riga = rigaCorrente();
    if (riga != m_dataSet->row()) {
        // Leaving a row that was changed writes it into the open transaction, as a grid posts
        // the row it leaves; it is committed by the save.
        if (!registraModifica()) {
            const QModelIndex torna =
                filtro()->mapFromSource(m_modello->index(m_dataSet->row(), 1));
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

void FinestraArchivio::mostraRiga()
{
    const bool riga = m_dataSet && m_dataSet->active() && !m_dataSet->isEmpty()
                      && rigaCorrente() >= 0;
    LabelCodice->setText(riga ? m_dataSet->asString(m_descrizione.colonne.front().colonna)
                              : QString());
    for (size_t i = 0; i < Campi.size(); ++i) {
        Campi[i]->setText(riga ? testoValore(m_dataSet->value(m_descrizione.colonne[i + 1].colonna))
                               : QString());
        Campi[i]->setEnabled(riga);
        Campi[i]->setCursorPosition(0);
    }
}

void FinestraArchivio::campoModificato(int campo, const QString& testo)
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
    const ColonnaArchivio& colonna = m_descrizione.colonne[static_cast<size_t>(campo)];
    m_dataSet->setField(colonna.colonna, valoreDelCampo(colonna, testo));
    m_modello->copiaRiga(m_dataSet->row(), *m_dataSet);
}

bool FinestraArchivio::registraModifica()
{
    if (!m_dataSet || (m_dataSet->state() != db::QueryDataSet::State::Edit
                       && m_dataSet->state() != db::QueryDataSet::State::Insert))
        return true;
    try {
        m_dataSet->post();
        // The post read the rows not read yet: the grid shows them too.
        m_modello->allinea(*m_dataSet);
    } catch (const db::DbError& errore) {
        TabX->messages().error(kErroreScrittura, errore.message(), this);
        return false;
    } catch (const db::DbLogicError& errore) {
        // A value the archive cannot hold (a character outside its character set): the layer
        // refused it before writing, and its message says which field and why.
        TabX->messages().error(errore.describe(), this);
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

void FinestraArchivio::ricaricaGriglia()
{
    if (!m_dataSet->active()) {
        m_modello->svuota();
    } else if (m_dataSet->state() == db::QueryDataSet::State::Browse) {
        const bool riga = !m_dataSet->isEmpty() && !m_dataSet->eof();
        const qint32 codice =
            riga ? static_cast<qint32>(m_dataSet->asInteger(m_descrizione.colonne.front().colonna))
                 : 0;
        m_modello->carica(*m_dataSet);
        if ((!riga || !selezionaCodice(codice)) && filtro()->rowCount() > 0)
            Griglia->selectRow(0);
        // Read again in part by a service: the rest follows in the background.
        leggiAltreRighe();
    } else {
        // A row still being edited (a save that failed): only that row can have changed.
        m_modello->copiaRiga(m_dataSet->row(), *m_dataSet);
    }
    mostraRiga();
    aggiornaStato();
}

void FinestraArchivio::aggiornaStato()
{
    FinestraElenco::aggiornaStato();
    if (m_dataSet && m_dataSet->active() && !m_dataSet->allFetched())
        LabelConteggio->setText(LabelConteggio->text() + QStringLiteral(" (lettura in corso...)"));
    if (ButtonElimina) // not while the window is still being built
        ButtonElimina->setEnabled(rigaCorrente() >= 0);
}

bool FinestraArchivio::puoChiudere()
{
    return !m_pronta || salvaOScarta();
}

} // namespace velkora::kit

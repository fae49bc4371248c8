#include <velkora/kit/FinestraElenco.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <velkora/TabXForm.h>
#include <velkora/db/DbError.h>
#include <velkora/services/WindowPositions.h>

namespace velkora::kit {

FinestraElenco::FinestraElenco(const QString& nomeFinestra, const NomiRighe& nomi,
                               const platform::Environment& environment)
    : QWidget(nullptr), m_nomi(nomi)
{
    setObjectName(nomeFinestra);
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(tahoma(8));
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                &QWidget::close);

    TabX = new TTabXForm(this, 0, environment);

    auto* labelCerca = new QLabel(QStringLiteral("&Cerca:"), this);
    EditCerca = new QLineEdit(this);
    EditCerca->setObjectName(QStringLiteral("EditCerca"));
    EditCerca->setClearButtonEnabled(true);
    EditCerca->setMinimumWidth(240);
    labelCerca->setBuddy(EditCerca);

    m_filtro = new QSortFilterProxyModel(this);
    m_filtro->setFilterKeyColumn(-1);
    m_filtro->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_filtro->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_filtro->setSortLocaleAware(true);

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

    LabelConteggio = new QLabel(this);
    LabelConteggio->setObjectName(QStringLiteral("LabelConteggio"));

    m_rigaCerca = new QHBoxLayout;
    m_rigaCerca->addWidget(labelCerca);
    m_rigaCerca->addWidget(EditCerca);
    m_rigaCerca->addStretch();
    m_rigaCerca->addWidget(LabelConteggio);
    m_corpo = new QVBoxLayout(this);
    m_corpo->addLayout(m_rigaCerca);
    m_corpo->addWidget(Griglia, 1);

    connect(EditCerca, &QLineEdit::textChanged, this, [this](const QString& testo) {
        m_filtro->setFilterFixedString(testo);
        aggiornaStato();
    });
    // F5 reads the rows again, for what other workstations saved meanwhile.
    auto* aggiorna = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(aggiorna, &QShortcut::activated, this, [this] { ricarica(); });
}

FinestraElenco::~FinestraElenco() = default;

bool FinestraElenco::pronta() const
{
    return TabX->IBDatabaseUser.attached();
}

QFont FinestraElenco::tahoma(int punti, bool grassetto)
{
    QFont f(QStringLiteral("Tahoma"), punti);
    f.setBold(grassetto);
    return f;
}

QString FinestraElenco::testoConteggio(const NomiRighe& nomi, int totale, int visibili)
{
    if (totale == 0)
        return QStringLiteral("Nessun ") + nomi.singolare;
    if (visibili == 0)
        return QStringLiteral("Nessun %1 trovato").arg(nomi.singolare);
    if (visibili < totale)
        return QStringLiteral("%1 di %2 %3").arg(visibili).arg(totale).arg(nomi.plurale);
    if (totale == 1)
        return QStringLiteral("1 ") + nomi.singolare;
    return QStringLiteral("%1 %2").arg(totale).arg(nomi.plurale);
}

void FinestraElenco::aggiornaStato()
{
    const QAbstractItemModel* righe = m_filtro->sourceModel();
    LabelConteggio->setText(
        testoConteggio(m_nomi, righe ? righe->rowCount() : 0, m_filtro->rowCount()));
}

void FinestraElenco::impostaModello(QAbstractItemModel* righe)
{
    m_filtro->setSourceModel(righe);
    aggiornaStato();
}

int FinestraElenco::rigaCorrente() const
{
    const QModelIndex corrente = Griglia->selectionModel()->currentIndex();
    if (!corrente.isValid())
        return -1;
    return m_filtro->mapToSource(corrente).row();
}

void FinestraElenco::vaiARigaModello(int riga, int colonna)
{
    QAbstractItemModel* righe = m_filtro->sourceModel();
    QModelIndex indice = m_filtro->mapFromSource(righe->index(riga, colonna));
    // A row the search hides: show everything so it can be seen.
    if (!indice.isValid()) {
        EditCerca->clear();
        indice = m_filtro->mapFromSource(righe->index(riga, colonna));
    }
    Griglia->setCurrentIndex(indice);
    Griglia->selectRow(indice.row());
    Griglia->scrollTo(indice);
}

QPushButton* FinestraElenco::pulsante(const QString& nome, const QString& testo)
{
    auto* b = new QPushButton(testo, this);
    b->setObjectName(nome);
    return b;
}

void FinestraElenco::ricordaPosizione(qint32 numUser, qint32 situazione, qint32 progetto)
{
    m_posizione = true;
    m_numUser = numUser;
    m_situazione = situazione;
    m_progetto = progetto;
    try {
        // In the data form's transaction on the user database, which the window's start has just
        // read the user in: starting and ending one of its own would cost two more round trips.
        CaricaPosizioneFinestra(this, numUser, situazione, progetto, TabX->IBDatabaseUser,
                                TabX->TransazioneUser);
    } catch (const db::DbError& errore) {
        // Only the place of the window is lost: it opens where the system puts it.
        qWarning("Posizione della finestra non letta: %s", qUtf8Printable(errore.message()));
    }
}

void FinestraElenco::closeEvent(QCloseEvent* event)
{
    if (!puoChiudere()) {
        event->ignore();
        return;
    }
    if (m_posizione) {
        try {
            SalvaPosizioneFinestra(this, m_numUser, m_situazione, m_progetto,
                                   TabX->IBDatabaseUser);
        } catch (const db::DbError& errore) {
            qWarning("Posizione della finestra non salvata: %s", qUtf8Printable(errore.message()));
        }
    }
    event->accept();
}

} // namespace velkora::kit

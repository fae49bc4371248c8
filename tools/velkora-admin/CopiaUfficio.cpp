#include "CopiaUfficio.h"

#include "AdminCommands.h"
#include "data/DatabaseLocation.h"
#include "data/SchemaInstaller.h"
#include "db/BackupService.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "platform/IniFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryFile>
#include <QTextStream>

#include <array>
#include <optional>
#include <utility>
#include <stdexcept>
#include <vector>

namespace velkora::admin {

namespace {

using data::SchemaInstaller;

const QByteArray kIntestazione = QByteArrayLiteral("VELKORA-COPIA 1\n");
constexpr char kDatabase = 'D';
constexpr char kFile = 'F';
constexpr char kFine = 'E';
constexpr int kHash = 32;
constexpr qsizetype kPezzo = 64 * 1024;
// A piece longer than this is not one the tool wrote: the copy is damaged.
constexpr quint32 kPezzoMassimo = 16 * 1024 * 1024;

// A failure the user reads: an Italian sentence, with the engine's text (when there is one) on
// the line after it.
struct Errore : std::runtime_error
{
    Errore(const QString& messaggio, const QString& dettaglio = QString())
        : std::runtime_error(messaggio.toStdString()), messaggio(messaggio), dettaglio(dettaglio)
    {
    }
    QString messaggio;
    QString dettaglio;
};

QString mostra(const QString& percorso)
{
    return QDir::toNativeSeparators(percorso);
}

QString megabyte(qint64 byte)
{
    return QLocale(QLocale::Italian).toString(byte / (1024.0 * 1024.0), 'f', 1) +
           QStringLiteral(" MB");
}

QByteArray intero32(quint32 valore)
{
    QByteArray b(4, Qt::Uninitialized);
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((valore >> (8 * i)) & 0xff);
    return b;
}

quint32 leggiIntero32(const QByteArray& b)
{
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b.at(i));
    return v;
}

// A path below the folder as the copy names it: relative, "/" separators, no "." or ".."
// parts. Anything else read from a copy is refused: restoring it could write outside the folder.
bool percorsoSicuro(const QString& percorso)
{
    if (percorso.isEmpty() || percorso.startsWith(QLatin1Char('/')) ||
        percorso.contains(QLatin1Char('\\')) || percorso.contains(QLatin1Char(':')) ||
        percorso.contains(QChar(0)))
        return false;
    const QStringList parti = percorso.split(QLatin1Char('/'));
    for (const QString& parte : parti) {
        if (parte.isEmpty() || parte == QLatin1String(".") || parte == QLatin1String(".."))
            return false;
    }
    return true;
}

// ---- Writing -----------------------------------------------------------------------------

class Scrittore
{
public:
    explicit Scrittore(QFile& file) : m_file(file) { grezzo(kIntestazione); }

    // The entry's head is written with its first bytes, so an entry whose source fails before
    // giving any (an archive missing on the server) can be dropped with annulla().
    void inizia(char tipo, const QString& percorso)
    {
        const QByteArray nome = percorso.toUtf8();
        m_testa = QByteArray(1, tipo);
        m_testa += static_cast<char>(nome.size() & 0xff);
        m_testa += static_cast<char>((nome.size() >> 8) & 0xff);
        m_testa += nome;
        m_voce.reset();
        m_byteVoce = 0;
    }
    // True when nothing of the entry was written yet, and so nothing is now.
    bool annulla()
    {
        if (m_testa.isEmpty())
            return false;
        m_testa.clear();
        return true;
    }
    void dati(const char* dati, qsizetype quanti)
    {
        if (quanti <= 0)
            return;
        scriviTesta();
        grezzo(intero32(static_cast<quint32>(quanti)));
        grezzo(QByteArray::fromRawData(dati, quanti));
        m_voce.addData(QByteArrayView(dati, quanti));
        m_byteVoce += quanti;
    }
    void chiudi()
    {
        scriviTesta();
        grezzo(intero32(0));
        grezzo(m_voce.result());
        ++m_voci;
    }
    void fine()
    {
        grezzo(QByteArray(1, kFine) + intero32(static_cast<quint32>(m_voci)));
        scrivi(m_tutto.result());
        if (!m_file.flush())
            throw Errore(QStringLiteral("Impossibile scrivere il file %1").arg(mostra(m_file.fileName())),
                         m_file.errorString());
    }
    qint64 byteVoce() const { return m_byteVoce; }

private:
    void scriviTesta()
    {
        if (!m_testa.isEmpty())
            grezzo(std::exchange(m_testa, QByteArray()));
    }
    void grezzo(const QByteArray& b)
    {
        m_tutto.addData(b);
        scrivi(b);
    }
    void scrivi(const QByteArray& b)
    {
        if (m_file.write(b) != b.size())
            throw Errore(QStringLiteral("Impossibile scrivere il file %1").arg(mostra(m_file.fileName())),
                         m_file.errorString());
    }

    QFile& m_file;
    QByteArray m_testa;
    QCryptographicHash m_tutto{QCryptographicHash::Sha256};
    QCryptographicHash m_voce{QCryptographicHash::Sha256};
    int m_voci = 0;
    qint64 m_byteVoce = 0;
};

// ---- Reading -----------------------------------------------------------------------------

struct Voce
{
    char tipo = 0;
    QString percorso;
    qint64 byte = 0;
};

class Lettore
{
public:
    explicit Lettore(const QString& file) : m_file(file)
    {
        if (!m_file.open(QIODevice::ReadOnly))
            throw Errore(QStringLiteral("Impossibile leggere la copia %1").arg(mostra(file)),
                         m_file.errorString());
        if (esatti(kIntestazione.size()) != kIntestazione)
            throw danno(QStringLiteral("non è una copia di velkora-admin"));
    }

    // The next entry, or nothing at the closing record (which is checked, with the end of the
    // file right after it).
    std::optional<Voce> prossima()
    {
        const char tipo = esatti(1).at(0);
        if (tipo == kFine) {
            const quint32 voci = leggiIntero32(esatti(4));
            const QByteArray atteso = m_tutto.result();
            if (leggi(kHash, false) != atteso)
                throw danno(QStringLiteral("la somma di controllo finale non corrisponde"));
            if (voci != static_cast<quint32>(m_voci))
                throw danno(QStringLiteral("il numero delle voci non corrisponde"));
            if (!m_file.atEnd())
                throw danno(QStringLiteral("dati in più dopo la fine"));
            return std::nullopt;
        }
        if (tipo != kDatabase && tipo != kFile)
            throw danno(QStringLiteral("voce di tipo sconosciuto"));
        const QByteArray lunghezza = esatti(2);
        const int n = static_cast<unsigned char>(lunghezza.at(0)) |
                      (static_cast<unsigned char>(lunghezza.at(1)) << 8);
        const QString percorso = QString::fromUtf8(esatti(n));
        if (!percorsoSicuro(percorso))
            throw danno(QStringLiteral("percorso non accettabile: %1").arg(percorso));
        m_voce.reset();
        m_restanti = 0;
        m_finita = false;
        ++m_voci;
        return Voce{tipo, percorso, 0};
    }

    // Up to `massimo` bytes of the current entry; 0 at its end, whose check sum is then checked.
    qsizetype dati(char* buffer, qsizetype massimo)
    {
        if (m_finita)
            return 0;
        if (m_restanti == 0) {
            m_restanti = leggiIntero32(esatti(4));
            if (m_restanti > kPezzoMassimo)
                throw danno(QStringLiteral("lunghezza di un blocco non valida"));
            if (m_restanti == 0) {
                const QByteArray atteso = m_voce.result();
                if (esatti(kHash) != atteso)
                    throw danno(QStringLiteral("la somma di controllo di una voce non corrisponde"));
                m_finita = true;
                return 0;
            }
        }
        const QByteArray b = esatti(std::min<qint64>(massimo, m_restanti));
        memcpy(buffer, b.constData(), static_cast<size_t>(b.size()));
        m_voce.addData(b);
        m_restanti -= b.size();
        return b.size();
    }

    // Reads the rest of the current entry, checking it.
    qint64 salta()
    {
        std::vector<char> buffer(kPezzo);
        qint64 totale = 0;
        while (const qsizetype n = dati(buffer.data(), kPezzo))
            totale += n;
        return totale;
    }

    qint64 posizione() const { return m_file.pos(); }
    qint64 dimensione() const { return m_file.size(); }

private:
    Errore danno(const QString& perche) const
    {
        return Errore(QStringLiteral("La copia %1 è danneggiata o incompleta (%2)")
                          .arg(mostra(m_file.fileName()), perche));
    }
    QByteArray esatti(qint64 n) { return leggi(n, true); }
    QByteArray leggi(qint64 n, bool somma)
    {
        const QByteArray b = m_file.read(n);
        if (b.size() != n)
            throw danno(QStringLiteral("il file finisce prima del previsto"));
        if (somma)
            m_tutto.addData(b);
        return b;
    }

    QFile m_file;
    QCryptographicHash m_tutto{QCryptographicHash::Sha256};
    QCryptographicHash m_voce{QCryptographicHash::Sha256};
    qint64 m_restanti = 0;
    bool m_finita = true;
    int m_voci = 0;
};

// ---- What a folder holds -------------------------------------------------------------------

struct Contenuto
{
    // Paths relative to the folder, "/" separators.
    QStringList database;
    QStringList file;
    QStringList fuori;
};

QString relativo(const QDir& radice, const QString& assoluto)
{
    return QDir::fromNativeSeparators(radice.relativeFilePath(assoluto));
}

// The plain files of a folder below the program folder, links left out (a copy restores only
// what is really inside the folder).
void fileDellaCartella(const QDir& radice, const QString& nome, QStringList& file)
{
    const QString cartella = radice.filePath(nome);
    if (!QFileInfo(cartella).isDir() || QFileInfo(cartella).isSymLink())
        return;
    QDirIterator it(cartella, QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileInfo().isFile() && !it.fileInfo().isSymLink())
            file << relativo(radice, it.filePath());
    }
}

Contenuto contenuto(const QString& cartella, const QString& nomeUtenti)
{
    Contenuto c;
    const QDir radice(cartella);
    c.database << QStringLiteral("user/user.fdb");
    for (const QString& archivio : SchemaInstaller::archiviDitta(cartella, &c.fuori, nomeUtenti))
        c.database << relativo(radice, archivio);
    // Every other database file of the folder (the archives of the general connections), and
    // every dati.ini, wherever they lie.
    QDirIterator it(cartella, QDir::Files | QDir::NoSymLinks, QDirIterator::Subdirectories);
    QStringList datiIni;
    while (it.hasNext()) {
        it.next();
        const QString nome = it.fileName();
        if (nome.endsWith(QLatin1String(".fdb"), Qt::CaseInsensitive))
            c.database << relativo(radice, it.filePath());
        else if (nome.compare(QLatin1String("dati.ini"), Qt::CaseInsensitive) == 0)
            datiIni << relativo(radice, it.filePath());
    }
    c.database.removeDuplicates();
    fileDellaCartella(radice, QStringLiteral("Report"), c.file);
    fileDellaCartella(radice, QStringLiteral("Grafica"), c.file);
    datiIni.sort();
    c.file << datiIni;
    c.file.removeDuplicates();
    return c;
}

// Progress of a long stream: a line every 64 MB.
class Avanzamento
{
public:
    explicit Avanzamento(QTextStream& out) : m_out(out) {}
    void aggiungi(qint64 byte)
    {
        m_byte += byte;
        if (m_byte >= m_prossimo) {
            m_out << "    " << megabyte(m_byte) << "...\n" << Qt::flush;
            m_prossimo += kPasso;
        }
    }
    qint64 byte() const { return m_byte; }

private:
    static constexpr qint64 kPasso = 64 * 1024 * 1024;
    QTextStream& m_out;
    qint64 m_byte = 0;
    qint64 m_prossimo = kPasso;
};

void scriviErrore(QTextStream& err, const Errore& e)
{
    err << "Errore: " << e.messaggio << "\n";
    if (!e.dettaglio.isEmpty())
        err << e.dettaglio << "\n";
    err << Qt::flush;
}

// The database error of a copy or a restore in the user's words.
Errore erroreDatabase(const QString& cosa, const QString& percorso, const db::DbError& e)
{
    if (e.fileProblem() == db::DbError::FileProblem::InUse)
        return Errore(QStringLiteral("Il database %1 è aperto da un programma di questa macchina: "
                                     "chiuderlo, o far lavorare la cartella attraverso un server "
                                     "(user/dati.ini con \"Nome Server\"), e riprovare")
                          .arg(mostra(percorso)),
                      e.message());
    return Errore(cosa.arg(mostra(percorso)), e.message());
}

} // namespace

int backupCartella(const QString& cartellaData, const QString& file, QTextStream& out,
                   QTextStream& err)
{
    const QString cartella = QDir::cleanPath(QDir(cartellaData).absolutePath());
    try {
        if (!QFileInfo(cartella).isDir())
            throw Errore(QStringLiteral("La cartella %1 non esiste").arg(mostra(cartella)));
        const QFileInfo destinazione(file);
        if (destinazione.exists() || destinazione.isSymLink())
            throw Errore(QStringLiteral("Il file %1 esiste già: la copia non lo sostituisce")
                             .arg(mostra(file)));
        if (QDir::cleanPath(destinazione.absoluteFilePath()).startsWith(cartella + QLatin1Char('/')))
            throw Errore(QStringLiteral("La copia non può stare dentro la cartella che copia"));

        // The server the folder's program works through, as its dati.ini names it.
        const platform::IniFile ini(QDir(cartella).filePath(QStringLiteral("user/dati.ini")));
        const QString server = ini.readString(QStringLiteral("CONFIG"), QStringLiteral("Nome Server")).trimmed();
        const QString lettera =
            ini.readString(QStringLiteral("CONFIG"), QStringLiteral("Lettera Disco Server")).trimmed();
        const auto nomeSulServer = [&](const QString& percorso) {
            return NomeDatabaseSuServer(QDir::toNativeSeparators(percorso), server, lettera);
        };
        const QString utenti = SchemaInstaller::userDatabasePath(cartella);
        if (server.isEmpty() && !QFileInfo(utenti).isFile())
            throw Errore(QStringLiteral("Nella cartella manca il database %1").arg(mostra(utenti)));

        Contenuto c;
        try {
            c = contenuto(cartella, server.isEmpty() ? QString() : nomeSulServer(utenti));
        } catch (const db::DbError& e) {
            throw erroreDatabase(QStringLiteral("Impossibile leggere gli archivi delle ditte dal database %1"),
                                 utenti, e);
        }
        out << "Copia della cartella " << mostra(cartella)
            << (server.isEmpty() ? QStringLiteral(" (in questo processo)")
                                 : QStringLiteral(" attraverso il server ") + server)
            << " in " << mostra(file) << "\n"
            << Qt::flush;
        for (const QString& nome : c.fuori)
            out << "Archivio della ditta fuori dalla cartella del programma, non copiato: " << nome
                << "\n";

        QTemporaryFile temporaneo(destinazione.absoluteFilePath() + QStringLiteral(".XXXXXX"));
        if (!temporaneo.open())
            throw Errore(QStringLiteral("Impossibile scrivere il file %1").arg(mostra(file)),
                         temporaneo.errorString());
        Scrittore scrittore(temporaneo);
        const db::BackupService servizio(server, QString::fromLatin1(kDefaultUser),
                                         QString::fromLatin1(kDefaultPassword));
        QElapsedTimer tempo;
        tempo.start();
        int database = 0;
        for (const QString& nome : c.database) {
            const QString assoluto = QDir(cartella).filePath(nome);
            // An archive named by a user that is not there is said and left out; the user
            // database must be there.
            if (server.isEmpty() && !QFileInfo(assoluto).isFile()) {
                out << "Archivio non trovato, non copiato: " << nome << "\n" << Qt::flush;
                continue;
            }
            out << "Database " << nome << "\n" << Qt::flush;
            scrittore.inizia(kDatabase, nome);
            Avanzamento avanzamento(out);
            try {
                QString percorso = assoluto;
                if (!server.isEmpty())
                    percorso = nomeSulServer(assoluto).mid(server.size() + 1);
                servizio.backup(percorso, [&](const char* dati, qsizetype quanti) {
                    scrittore.dati(dati, quanti);
                    avanzamento.aggiungi(quanti);
                });
            } catch (const db::DbError& e) {
                // An archive a user names that the server does not have is said and left out,
                // as one missing on this disk is; the user database must be there.
                if (nome != QLatin1String("user/user.fdb") &&
                    e.fileProblem() == db::DbError::FileProblem::Missing && scrittore.annulla()) {
                    out << "    archivio non trovato sul server, non copiato\n" << Qt::flush;
                    continue;
                }
                throw erroreDatabase(QStringLiteral("Impossibile copiare il database %1"), assoluto, e);
            }
            scrittore.chiudi();
            ++database;
            out << "    copiato, " << megabyte(scrittore.byteVoce()) << "\n" << Qt::flush;
        }
        for (const QString& nome : c.file) {
            QFile sorgente(QDir(cartella).filePath(nome));
            if (!sorgente.open(QIODevice::ReadOnly))
                throw Errore(QStringLiteral("Impossibile leggere il file %1").arg(mostra(sorgente.fileName())),
                             sorgente.errorString());
            scrittore.inizia(kFile, nome);
            while (!sorgente.atEnd()) {
                const QByteArray b = sorgente.read(kPezzo);
                if (b.isEmpty())
                    throw Errore(QStringLiteral("Impossibile leggere il file %1")
                                     .arg(mostra(sorgente.fileName())),
                                 sorgente.errorString());
                scrittore.dati(b.constData(), b.size());
            }
            scrittore.chiudi();
        }
        scrittore.fine();
        temporaneo.close();
        // Renamed into place only now, and never over a file that appeared meanwhile.
        if (!temporaneo.rename(destinazione.absoluteFilePath()))
            throw Errore(QStringLiteral("Impossibile dare alla copia il nome %1").arg(mostra(file)),
                         temporaneo.errorString());
        temporaneo.setAutoRemove(false);
        out << "Copia completata: " << database << " database e " << c.file.size() << " file, "
            << megabyte(QFileInfo(file).size()) << " in "
            << QLocale(QLocale::Italian).toString(tempo.elapsed() / 1000.0, 'f', 1) << " s\n"
            << Qt::flush;
        return ExitOk;
    } catch (const Errore& e) {
        scriviErrore(err, e);
        err << "La copia non è stata scritta\n" << Qt::flush;
        return ExitFailure;
    } catch (const std::exception& e) {
        scriviErrore(err, Errore(QStringLiteral("Copia non riuscita"), QString::fromStdString(e.what())));
        err << "La copia non è stata scritta\n" << Qt::flush;
        return ExitFailure;
    }
}

int ripristinoCartella(const QString& file, const QString& cartellaData, QTextStream& out,
                       QTextStream& err)
{
    const QString cartella = QDir::cleanPath(QDir(cartellaData).absolutePath());
    // What this run made, removed again when it cannot finish, newest first.
    QStringList creati;
    try {
        const QFileInfo esistente(cartella);
        if (esistente.isSymLink() || (esistente.exists() && !esistente.isDir()) ||
            (esistente.isDir() &&
             !QDir(cartella).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty()))
            throw Errore(QStringLiteral("La cartella %1 esiste già e non è vuota: il ripristino "
                                        "si fa in una cartella nuova")
                             .arg(mostra(cartella)));

        // First the whole copy is read and checked; nothing is written before.
        out << "Controllo della copia " << mostra(file) << "\n" << Qt::flush;
        std::vector<Voce> voci;
        {
            Lettore lettore(file);
            while (auto voce = lettore.prossima()) {
                voce->byte = lettore.salta();
                voci.push_back(*voce);
            }
        }
        out << "La copia è integra: " << voci.size() << " voci\n" << Qt::flush;

        const auto creaCartella = [&](const QString& percorso) {
            QStringList mancanti;
            for (QString c = percorso; !QFileInfo::exists(c); c = QFileInfo(c).absolutePath())
                mancanti.prepend(c);
            for (const QString& c : mancanti) {
                if (!QDir().mkdir(c))
                    throw Errore(QStringLiteral("Impossibile creare la cartella %1").arg(mostra(c)));
                creati << c;
            }
        };
        creaCartella(cartella);

        Lettore lettore(file);
        const db::BackupService servizio(QString(), QString::fromLatin1(kDefaultUser),
                                         QString::fromLatin1(kDefaultPassword));
        std::vector<char> buffer(kPezzo);
        while (auto voce = lettore.prossima()) {
            const QString destinazione = QDir(cartella).filePath(voce->percorso);
            creaCartella(QFileInfo(destinazione).absolutePath());
            if (voce->tipo == kFile) {
                QFile scritto(destinazione);
                // NewOnly: a file that is there (two entries of one name) is never overwritten.
                if (!scritto.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                    throw Errore(QStringLiteral("Impossibile scrivere il file %1").arg(mostra(destinazione)),
                                 scritto.errorString());
                creati << destinazione;
                while (const qsizetype n = lettore.dati(buffer.data(), kPezzo)) {
                    if (scritto.write(buffer.data(), n) != n)
                        throw Errore(QStringLiteral("Impossibile scrivere il file %1").arg(mostra(destinazione)),
                                     scritto.errorString());
                }
                if (!scritto.flush())
                    throw Errore(QStringLiteral("Impossibile scrivere il file %1").arg(mostra(destinazione)),
                                 scritto.errorString());
                continue;
            }
            out << "Database " << voce->percorso << "\n" << Qt::flush;
            Avanzamento avanzamento(out);
            if (QFileInfo::exists(destinazione) || QFileInfo(destinazione).isSymLink())
                throw Errore(QStringLiteral("Il file %1 esiste già").arg(mostra(destinazione)));
            creati << destinazione;
            try {
                servizio.restore(destinazione, [&](char* dati, qsizetype massimo) {
                    const qsizetype n = lettore.dati(dati, massimo);
                    avanzamento.aggiungi(n);
                    return n;
                });
            } catch (const db::DbError& e) {
                throw Errore(QStringLiteral("Impossibile ripristinare il database %1").arg(mostra(destinazione)),
                             e.message());
            }
            // The engine stops asking once it has read its stream's end; the rest of the entry
            // (its closing piece and check sum) is read here, so the next entry starts in place.
            lettore.salta();
            out << "    ripristinato, " << megabyte(QFileInfo(destinazione).size()) << "\n" << Qt::flush;
        }
        creati.clear();
        out << "Ripristino completato in " << mostra(cartella) << "\n" << Qt::flush;
    } catch (const std::exception& e) {
        const auto* nostro = dynamic_cast<const Errore*>(&e);
        scriviErrore(err, nostro ? *nostro
                                 : Errore(QStringLiteral("Ripristino non riuscito"),
                                          QString::fromStdString(e.what())));
        for (auto it = creati.crbegin(); it != creati.crend(); ++it) {
            if (QFileInfo(*it).isDir())
                QDir().rmdir(*it);
            else
                QFile::remove(*it);
        }
        err << "Nessun file è stato lasciato nella cartella " << mostra(cartella) << "\n" << Qt::flush;
        return ExitFailure;
    }

    // The restored folder checked as "check" checks a folder; then every restored archive must
    // open.
    const platform::IniFile ini(QDir(cartella).filePath(QStringLiteral("user/dati.ini")));
    const QString server = ini.readString(QStringLiteral("CONFIG"), QStringLiteral("Nome Server")).trimmed();
    if (!server.isEmpty())
        out << "Nota: user/dati.ini della copia nomina il server " << server
            << ": per lavorare sulla cartella ripristinata attraverso un server usare "
               "\"velkora-admin server\" su di essa, altrimenti togliere \"Nome Server\"\n";
    return verificaCartella(cartella);
}

} // namespace velkora::admin

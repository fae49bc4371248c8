#include "support/Ufficio.h"

#include "TestPaths.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <csignal>
#include <sys/stat.h>

namespace velkora::test {

namespace {

QString percorsoAdmin()
{
    return QDir(QString::fromUtf8(kProgramDir)).filePath(QStringLiteral("velkora-admin"));
}

// The arguments of unshare that run the command as on a workstation.
QStringList inSpazioProprio(const QString& cartellaServer, const QString& cartellaPostazione,
                            const QStringList& comando)
{
    return QStringList{QStringLiteral("-m"), QStringLiteral("--propagation"),
                       QStringLiteral("private"), QStringLiteral("sh"), QStringLiteral("-c"),
                       QStringLiteral("mount --bind \"$1\" \"$2\" && cd \"$2\" && shift 2 && exec \"$@\""),
                       QStringLiteral("sh"), cartellaPostazione, cartellaServer} +
           comando;
}

// Where a program that stopped answering is stuck: the stack of its main thread, from gdb when
// the machine has it.
QString pilaDelMainThread(qint64 pid)
{
    QProcess gdb;
    gdb.setProcessChannelMode(QProcess::MergedChannels);
    gdb.start(QStringLiteral("gdb"), {QStringLiteral("-p"), QString::number(pid), QStringLiteral("-batch"),
                                      QStringLiteral("-ex"), QStringLiteral("bt 40")});
    if (!gdb.waitForStarted(5000))
        return QStringLiteral("(gdb non disponibile)");
    if (!gdb.waitForFinished(60000)) {
        gdb.kill();
        gdb.waitForFinished(5000);
    }
    QStringList righe;
    for (const QString& riga : QString::fromLocal8Bit(gdb.readAll()).split(QLatin1Char('\n'))) {
        if (riga.startsWith(QLatin1Char('#')))
            righe << riga;
    }
    return righe.join(QLatin1Char('\n'));
}

} // namespace

Ufficio::Ufficio(const QString& server)
    : m_radice(QStringLiteral("/tmp/velkora-ufficio-XXXXXX"))
    , m_server(server)
{
    if (!m_radice.isValid()) {
        m_errore = "cannot make a temporary folder";
        return;
    }
    // The server (user firebird) must pass through the folders above its databases.
    chmod(QFile::encodeName(m_radice.path()).constData(), 0755);
    m_cartella = m_radice.filePath(QStringLiteral("velkora"));
    QString uscita;
    for (const QStringList& argomenti :
         {QStringList{QStringLiteral("demo"), m_cartella},
          QStringList{QStringLiteral("server"), m_cartella}}) {
        if (admin(argomenti, &uscita) != 0) {
            m_errore = "velkora-admin " + argomenti.join(QLatin1Char(' ')).toStdString() + ": " +
                       uscita.toStdString();
            return;
        }
    }
}

QString Ufficio::database(const QString& relativo) const
{
    return m_server + QLatin1Char(':') + QDir(m_cartella).filePath(relativo);
}

QString Ufficio::preparaPostazione(const QString& nome)
{
    const QString cartella = m_radice.filePath(QStringLiteral("postazioni/") + nome);
    QString uscita;
    if (admin({QStringLiteral("postazione"), cartella, m_server}, &uscita) != 0) {
        m_errore = "velkora-admin postazione: " + uscita.toStdString();
        return {};
    }
    // The driver is the program of the workstation: the real start, steered by commands.
    if (!QFile::copy(QString::fromUtf8(kDriverFile), cartella + QStringLiteral("/velkora-driver"))) {
        m_errore = "cannot copy the driver";
        return {};
    }
    return cartella;
}

int comeDaPostazione(const QString& cartellaServer, const QString& cartellaPostazione,
                     const QStringList& comando, QString* uscita)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("unshare"), inSpazioProprio(cartellaServer, cartellaPostazione, comando));
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished(5000);
        return -1;
    }
    if (uscita)
        *uscita = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

int Ufficio::admin(const QStringList& argomenti, QString* uscita)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(percorsoAdmin(), argomenti);
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished(5000);
        return -1;
    }
    if (uscita)
        *uscita = QString::fromUtf8(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

Postazione::Postazione(const QString& cartellaServer, const QString& cartellaPostazione,
                       QString nome)
    : m_nome(std::move(nome))
    , m_processo(std::make_unique<QProcess>())
{
    QProcessEnvironment ambiente = QProcessEnvironment::systemEnvironment();
    ambiente.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_processo->setProcessEnvironment(ambiente);
    m_processo->start(QStringLiteral("unshare"),
                      inSpazioProprio(cartellaServer, cartellaPostazione,
                                      {QStringLiteral("./velkora-driver"), QStringLiteral("comandi")}));
    if (!m_processo->waitForStarted(10000))
        return;
    const QDeadlineTimer scadenza(60000);
    while (!m_uscita.contains("pronto\n") && m_processo->state() == QProcess::Running &&
           !scadenza.hasExpired()) {
        m_processo->waitForReadyRead(static_cast<int>(qMax<qint64>(1, scadenza.remainingTime())));
        m_uscita += m_processo->readAllStandardOutput();
    }
    const qsizetype fine = m_uscita.indexOf("pronto\n");
    m_pronta = fine >= 0;
    if (m_pronta)
        m_uscita.remove(0, fine + 7);
}

Postazione::~Postazione()
{
    termina(10000);
}

QJsonObject Postazione::comando(const QStringList& parole, int attesaMs)
{
    const auto fallito = [this, &parole](const QString& perche) {
        return QJsonObject{{QStringLiteral("comando"), parole.value(0)},
                           {QStringLiteral("esito"), QStringLiteral("errore")},
                           {QStringLiteral("errore"), m_nome + QStringLiteral(": ") + perche}};
    };
    if (m_processo->state() != QProcess::Running)
        return fallito(QStringLiteral("il programma non è in esecuzione"));
    m_processo->write(parole.join(QLatin1Char('\t')).toUtf8() + '\n');
    const QDeadlineTimer scadenza(attesaMs);
    while (!m_uscita.contains('\n')) {
        if (m_processo->state() != QProcess::Running || scadenza.hasExpired()) {
            m_uscita += m_processo->readAllStandardOutput();
            if (m_uscita.contains('\n'))
                break;
            if (!scadenza.hasExpired())
                return fallito(QStringLiteral("il programma è terminato"));
            return fallito(QStringLiteral("nessuna risposta a \"%1\" entro %2 s; dove era fermo:\n%3")
                               .arg(parole.join(QLatin1Char(' ')))
                               .arg(attesaMs / 1000)
                               .arg(pilaDelMainThread(m_processo->processId())));
        }
        m_processo->waitForReadyRead(static_cast<int>(qMax<qint64>(1, scadenza.remainingTime())));
        m_uscita += m_processo->readAllStandardOutput();
    }
    const qsizetype fine = m_uscita.indexOf('\n');
    const QByteArray riga = m_uscita.left(fine);
    m_uscita.remove(0, fine + 1);
    const QJsonDocument documento = QJsonDocument::fromJson(riga);
    if (!documento.isObject())
        return fallito(QStringLiteral("risposta non valida: ") + QString::fromUtf8(riga));
    return documento.object();
}

Postazione::Fine Postazione::attendiFine(int attesaMs)
{
    Fine fine;
    if (m_processo->state() != QProcess::NotRunning && !m_processo->waitForFinished(attesaMs)) {
        // A stuck program: killed, and reported as not ended.
        ::kill(static_cast<pid_t>(m_processo->processId()), SIGKILL);
        m_processo->waitForFinished(5000);
        m_errori += m_processo->readAllStandardError();
        return fine;
    }
    m_errori += m_processo->readAllStandardError();
    fine.finita = true;
    fine.crash = m_processo->exitStatus() != QProcess::NormalExit;
    fine.codice = m_processo->exitCode();
    return fine;
}

Postazione::Fine Postazione::termina(int attesaMs)
{
    // As the system ends a program (a logout, a service manager); it must then end by itself,
    // whatever it shows.
    if (m_processo->state() == QProcess::Running)
        ::kill(static_cast<pid_t>(m_processo->processId()), SIGTERM);
    return attendiFine(attesaMs);
}

QString Postazione::errori()
{
    m_errori += m_processo->readAllStandardError();
    return QString::fromLocal8Bit(m_errori);
}

QStringList testiBox(const QJsonObject& risposta)
{
    QStringList testi;
    for (const QJsonValue& box : risposta.value(QStringLiteral("box")).toArray())
        testi << box.toObject().value(QStringLiteral("testo")).toString();
    return testi;
}

QStringList dettagliBox(const QJsonObject& risposta)
{
    QStringList dettagli;
    for (const QJsonValue& box : risposta.value(QStringLiteral("box")).toArray())
        dettagli << box.toObject().value(QStringLiteral("dettaglio")).toString();
    return dettagli;
}

bool riuscito(const QJsonObject& risposta)
{
    return risposta.value(QStringLiteral("esito")).toString() == QLatin1String("ok");
}

std::string mostra(const QJsonObject& risposta)
{
    return QJsonDocument(risposta).toJson(QJsonDocument::Compact).toStdString();
}

} // namespace velkora::test

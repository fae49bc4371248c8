#pragma once

#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <string>

namespace velkora::test {

// The warning of a workstation that starts editing a row another one holds.
inline const QString kRigaBloccata = QStringLiteral(
    "Attenzione: altri utenti stanno lavorando su questo record. Provare ad aggiornare la griglia. "
    "Nel caso in cui questo messaggio riapparisse, provare ad editare il record in un secondo "
    "momento.");

// The first words of that warning's detail when the holder could not be looked up (the server
// restarting, say).
inline const QString kDetentoreIgnoto =
    QStringLiteral("Non è stato possibile sapere quale postazione tiene il record");

// An office on one machine, set up as the README's office section does it: the server's
// program folder laid out by "velkora-admin demo" and given to the server's user by
// "velkora-admin server", and the workstations' folders laid out by "velkora-admin postazione"
// for the server. Each workstation runs as its own machine: the program driver in a mount
// namespace of its own, where the workstation's folder stands at the server folder's path, so
// that the server's user/ and Archivi/ are not there and every database is reached through the
// server. Needs the superuser (mounts, and the files given to firebird).
class Ufficio
{
public:
    // `server`: what the workstations' dati.ini names ("localhost/3051").
    explicit Ufficio(const QString& server);

    // Why the office could not be set up; empty when it is ready.
    const std::string& errore() const { return m_errore; }
    const QString& server() const { return m_server; }
    // The server's program folder, the same path on every workstation.
    QString cartella() const { return m_cartella; }
    // A database of the server's folder as the workstations reach it ("localhost/3051:/...").
    QString database(const QString& relativo) const;
    // Lays out a workstation's folder with the driver as its program; empty (and errore() set)
    // when it fails.
    QString preparaPostazione(const QString& nome);
    // Runs velkora-admin with the arguments; its exit code, the output in `uscita`.
    static int admin(const QStringList& argomenti, QString* uscita);

private:
    QTemporaryDir m_radice;
    QString m_server;
    QString m_cartella;
    std::string m_errore;
};

// One workstation of the office: the real program, driven by commands (the driver's "comandi"
// state) from a process in its own mount namespace. A reply not given in time, or a process that
// ends on the way, fails the command with the reason in "errore"; the destructor ends a process
// still running (killing it if it does not end).
class Postazione
{
public:
    // `cartellaServer`: the server's program folder, where the workstation's folder stands.
    Postazione(const QString& cartellaServer, const QString& cartellaPostazione, QString nome);
    ~Postazione();
    Postazione(const Postazione&) = delete;
    Postazione& operator=(const Postazione&) = delete;

    const QString& nome() const { return m_nome; }
    // The program's process id, as the server's monitoring tables show it.
    qint64 pid() const { return m_processo->processId(); }
    // Whether the program reached its login window ("pronto").
    bool pronta() const { return m_pronta; }
    // Runs one command (its words) and returns the reply; on a timeout or a lost process
    // {"esito": "errore", "errore": why}.
    QJsonObject comando(const QStringList& parole, int attesaMs = 90000);

    // How the process ended, once it has.
    struct Fine
    {
        bool finita = false;   // false: still running after the wait, killed
        bool crash = false;    // ended by a signal
        int codice = -1;
    };
    // Ends the program as the system does (SIGTERM) unless it has ended already, and waits.
    Fine termina(int attesaMs = 20000);
    // Waits for the program to end by itself (after "esci").
    Fine attendiFine(int attesaMs = 20000);
    // What the program wrote on its error output so far.
    QString errori();

private:
    QString m_nome;
    std::unique_ptr<QProcess> m_processo;
    QByteArray m_uscita;
    QByteArray m_errori;
    bool m_pronta = false;
};

// Runs a program as on a workstation: in a mount namespace of its own where the workstation's
// folder stands at the server folder's path (the mount is seen by nobody else and goes with the
// last process), from that folder. Its exit code (-1 when it did not end within two minutes or
// crashed), its output in `uscita`.
int comeDaPostazione(const QString& cartellaServer, const QString& cartellaPostazione,
                     const QStringList& comando, QString* uscita);

// The texts of the boxes a reply lists.
QStringList testiBox(const QJsonObject& risposta);
// The details of the boxes a reply lists.
QStringList dettagliBox(const QJsonObject& risposta);
bool riuscito(const QJsonObject& risposta);
std::string mostra(const QJsonObject& risposta);

} // namespace velkora::test

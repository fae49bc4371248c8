#pragma once

#include <velkora/db/Database.h>
#include <velkora/db/Query.h>
#include <velkora/db/TableDataSet.h>
#include <velkora/db/Transaction.h>
#include <velkora/platform/Environment.h>
#include <velkora/services/Segnalibro.h>
#include <velkora/tabx/MemTable.h>

#include <optional>
#include <utility>

#include <QObject>
#include <QString>

#include <memory>

class QAbstractButton;
class QWidget;

namespace velkora {

class ParameterStore;

namespace platform {
class MessageService;
}
namespace db {
class QueryDataSet;
}

// The shared data form of the suite: one per running program (and one per module library that
// makes its own). It owns the database connections and the current user and gives the suite's
// windows their data services. It is never shown.
//
// Modes (ModoUtenti): 0 users and parameter sets in the user database, 1 in INI files below
// "NOMIDIT", 3 no user database at all.
class TTabXForm : public QObject
{
    Q_OBJECT

public:
    // Attaches the user database "user/user.fdb" below the program folder, creating it when it
    // cannot be attached, and makes sure the table TABSCRIPT exists (modes 0 and 1). Failures
    // are shown in boxes; construction always completes.
    TTabXForm(QObject* owner, quint8 mode,
              const platform::Environment& environment = platform::Environment::process());
    ~TTabXForm() override;

    // Components, in the order the suite declares them. Each transaction comes after its
    // database so it is destroyed first.
    MemTable MemTabX;
    db::Database IBDatabase1;
    db::Transaction IBTransaction1;
    db::Database IBDatabase2;
    db::Transaction IBTransaction2;
    db::Database IBDatabase3;
    db::Transaction IBTransaction3;
    db::Database IBDatabase4;
    db::Transaction IBTransaction4;
    db::Database IBDatabaseUser;
    db::Transaction TransazioneUser;
    db::Query QueryVelkora;

    // Fields.
    qint32 NumUser = 0;
    QString NomeUser;
    quint8 ModoUtenti = 0;
    QString DittaCorrente;
    QString PercorsoVerde;
    QString PercorsoRosso;

    // Users and passwords.
    // Puts the users' names into the list (mode 0 appends after what it holds; mode 1 replaces
    // it with the sections of "NOMIDIT/UTENTI.INI"; mode 3 leaves it alone).
    void CaricaUser(QStringList& lista);
    bool VerificaPasswordUser(const QString& nomeUtente, const QString& password);
    void SetUserPerNome(const QString& nomeUtente);
    void SetUserPerNum(qint32 numero);
    // SetUserPerNum followed by CaricaParametro(nome), with the same results; where the users are
    // in the database, the user, his company and the parameter come in one statement.
    QString SetUserPerNumConParametro(qint32 numero, const QString& nome);
    QString GetNomeUser() const { return NomeUser; }
    qint32 GetNumUser() const { return NumUser; }

    // Parameter sets.
    // The value of a parameter in the section DittaCorrente of the current user; empty when
    // there is none.
    void CaricaParametro(const QString& nome, QString& valore);
    QString CaricaParametro(const QString& nome);
    void SettaParametro(const QString& nome, const QString& valore);
    void ScriviParametroVelkora(const QString& sezione, const QString& nome, const QString& valore);
    void ScriviVelkora(qint32 utente);
    void CaricaVelkora(qint32 utente);

    // Typed parameters. MemTabX holds named values (kind, name, number, text, date, memo, two
    // levels, user); a name is found exactly, letter case included, and the first row of that
    // name is the one read and written. TABX, in the database of IBDatabase1, keeps the values
    // per project code, situation code, name and current user (NumUser); its statements run in
    // IBTransaction1, and every write here commits that transaction.
    //
    // The Testo (GetV) or Memo (GetM) of the row of that name; empty when there is none.
    void GetV(const QString& nome, QString& valore);
    void GetM(const QString& nome, QString& valore);
    // Sets the Testo (SetV) or Memo (SetM) of the row of that name; false, adding nothing, when
    // there is none.
    bool SetV(const QString& nome, const QString& valore);
    bool SetM(const QString& nome, const QString& valore);
    // Appends one row; empty texts leave their fields empty, texts too long for their field are
    // cut. A number that is not an integer or a date that is not "dd/MM/yyyy" throws
    // MemTable::Error and adds nothing.
    void Inserisci(const QString& tipo, const QString& nome, const QString& numero,
                   const QString& testo, const QString& data, const QString& memo,
                   const QString& livello1, const QString& livello2, const QString& utente);
    // Loads the current user's rows of kind "TBX" from TABX into MemTabX: a row already in
    // memory (same kind and name) takes the non-empty values, any other row is added.
    void AggiornaParametriTabX();
    // True when TABX holds the value for these keys and the current user; false for an empty key.
    bool VerificaEsistenzaInTabX(const QString& progetto, const QString& situazione,
                                 const QString& nome);
    // Adds the value to TABX unless it is there already (existing values are never overwritten).
    // True when it exists afterwards; false for an empty key or a failed insert, reported in a box.
    // The number takes "," or "." as separator; the date is "dd/MM/yyyy" (another text throws
    // MemTable::Error before anything runs); apostrophes of text and memo become "´".
    bool AggiungiParametroInTabX(const QString& progetto, const QString& situazione,
                                 const QString& nome, const QString& numero, const QString& testo,
                                 const QString& data, const QString& memo, const QString& livello1,
                                 const QString& livello2);
    // Rewrites number, text, date and memo of an existing value (an empty one becomes NULL).
    // False when the value does not exist or the update failed (reported in a box).
    bool ScriviParametroInTabX(const QString& progetto, const QString& situazione,
                               const QString& nome, const QString& numero, const QString& testo,
                               const QString& data, const QString& memo);
    // Copies text and memo of the stored value into the MemTabX row of that name. True when both
    // exist; otherwise nothing changes. The trailing texts are accepted for the callers that pass
    // them and carry nothing.
    bool CaricaParametroDaTabX(const QString& progetto, const QString& situazione,
                               const QString& nome, const QString& = QString(),
                               const QString& = QString(), const QString& = QString(),
                               const QString& = QString(), const QString& = QString(),
                               const QString& = QString());
    // The general connections: attach IBDatabase1..4 to the database file named by the Testo of
    // the MemTabX row of that name ("archivio.fdb" when it is empty), creating it when it cannot
    // be attached, with the rules of the user database; "Errore apertura archivio" when neither
    // works, and the connection stays detached.
    void ConnettiDatabase1(const QString& nome);
    void ConnettiDatabase2(const QString& nome);
    void ConnettiDatabase3(const QString& nome);
    void ConnettiDatabase4(const QString& nome);
    // When the user database is reached through a server, a database file named by a path
    // inside the program folder (or relative to it) is reached through the same server at the
    // same place, unless its folder on the workstation has a "dati.ini" of its own: the general
    // connections attach it as the name this gives ("server:path"), and nothing is opened or
    // created on the workstation's disk for it. Empty when the rule does not apply.
    QString NomeDatabaseSulServer(const QString& percorso) const;
    // Whether the database file of that path is there to be attached: through the server by the
    // rule above (false only when the server says the file does not exist), otherwise on this
    // disk or behind the "dati.ini" of its folder. A module asks before a general connection,
    // which would create a missing file, so that a mistyped path is reported instead.
    bool EsisteDatabase(const QString& percorso);

    // Per-window scripts: makes sure TABSCRIPT of the user database holds the row of this
    // project, window, context (its decimal text) and user, and writes the script into it when
    // the row is new, when its script is empty, or when the force flag is exactly "1"; the date
    // of the write is today. Commits TransazioneUser when it wrote. Database errors (a key too
    // long for its column, a context that is not a number) go to the caller, nothing committed.
    void IniScriptForm(const QString& progetto, const QString& finestra, const QString& contesto,
                       const QString& utente, const QString& script, const QString& forza);

    // Key generators. The key of a row is the dataset's first field. The three operations that
    // compute a key from the data save and refresh the window first (ChiudiTransEAggiorna):
    //  NuovoIntSuLast   the last row's key + 1; the new row is saved and becomes current;
    //  NuovoIntSuMax    MAX of the key column of the table + 1 (1 for an empty table); saved;
    //  NuovoIntSuGeneratore  the generator's next value; the row is posted but not committed,
    //                   and the save button turns red;
    //  NuovoIntSuGenSQL the generator's next value inserted into the table by a statement of its
    //                   own (the table name is a bare name, INTO is written here); committed, and
    //                   the dataset is read again on its first row.
    // Table, key-field and generator names must be plain identifiers: another is refused with an
    // error box and nothing runs. Database errors go to the caller (a key that exists already
    // fails when the row is posted).
    void NuovoIntSuLast(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                        QAbstractButton& pulsanteSalva);
    void NuovoIntSuMax(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                       QAbstractButton& pulsanteSalva, const QString& tabella);
    void NuovoIntSuGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                              bool& segnalibroValido, QAbstractButton& pulsanteSalva,
                              const QString& tabella, const QString& generatore);
    void NuovoIntSuGenSQL(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                          QAbstractButton& pulsanteSalva, const QString& tabella,
                          const QString& generatore);
    // Creates the generator on the dataset's database, then saves and refreshes; false (the
    // error goes no further) when it exists already or the statement fails.
    bool CreaGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                        QAbstractButton& pulsanteSalva, const QString& generatore);
    // Sets the generator to the value; false when that fails. Saves and refreshes in both cases.
    bool SetGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                       QAbstractButton& pulsanteSalva, const QString& generatore, qint32 valore);
    // True when the dataset's database has a generator of exactly this name (names created
    // without quotes are stored in upper case).
    bool CheckGeneratore(db::QueryDataSet& dataSet, const QString& generatore);
    // Advances the generator of IBDatabase1 by one and gives its new value as decimal text;
    // nothing is committed. Empty when the name is refused.
    void ValoreGeneratore(const QString& generatore, QString& valore);

    // Call log: a module window records its handle under the window id it was called with.
    bool ScritturaHandleDiApertura(qint32 idFinestra, qint32 handle);

    // Writes a value into the current user's settings file
    // "NOMIDIT/USERCFG/<number> <name>.INI" below the program folder.
    void SettaFileIni(const QString& section, const QString& key, const QString& value);
    void SetVerde(const QString& path) { PercorsoVerde = path; }
    void SetRosso(const QString& path) { PercorsoRosso = path; }

    // Record editing of the data windows. A window hands its editing state in this order: its
    // dataset, its bookmark, whether the bookmark holds a row to return to, and its save button
    // (tag 1 and the red picture while changes are not committed, tag 0 and the green picture
    // otherwise). The first field of the dataset is the row key. Database errors go to the
    // caller except where a service says otherwise.
    //
    // The dataset is a query dataset or a table dataset (db::TableDataSet, bound to one table).
    //
    // Closes the dataset, ends its transaction without committing and starts it again, opens the
    // dataset and, when asked, returns to the bookmarked row (staying on the first row when it
    // is gone). A table dataset is then ordered by its first index, staying on its row.
    void AggiornaTabella(db::QueryDataSet& dataSet, Segnalibro segnalibro, bool vaiASegnalibro);
    // Save: finishes the pending edit of an open dataset and remembers its row, commits the
    // dataset's transaction, turns the button green.
    void ChiudiTransazione(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                           QAbstractButton& pulsanteSalva);
    // Save, then read the rows again and return to the saved row.
    void ChiudiTransEAggiorna(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                              QAbstractButton& pulsanteSalva);
    // Discards the window's uncommitted changes after asking, when there are any.
    void Annulla(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                 QAbstractButton& pulsanteSalva);
    // Deletes the current row after asking and commits; false when nothing was deleted (the
    // table is empty, the user said no, another user deleted the row or holds it).
    bool Elimina(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                 QAbstractButton& pulsanteSalva);
    // Deletes every row of the named table after asking, commits and reads the rows again. The
    // name must be a plain identifier; another is refused with an error box and nothing runs. A
    // table dataset empties its own table and the name is not used.
    void Azzera(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                QAbstractButton& pulsanteSalva, const QString& tabella);
    // Before a window closes: when it holds changes, asks whether to save them; on No they are
    // rolled back, on Yes they are left to the caller.
    void Chiudi(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                QAbstractButton& pulsanteSalva);
    // The refresh button: when the window holds changes, asks whether to save them first (No
    // discards them, the pending edit included); then commits and reads the rows again.
    void AggiornamentoDaPulsante(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                                 QAbstractButton& pulsanteSalva);
    // Run before the dataset enters edit mode: takes the current row's write lock in the default
    // transaction of the dataset's database (an update of its key to its own value) and turns
    // the button red. When another user holds the row, or has deleted it, a warning tells so,
    // naming in its detail who holds the row, and the edit is abandoned with
    // platform::SilentAbort. The table name and the key field's name must be plain identifiers.
    void EventoBeforeEditDataSet(db::QueryDataSet& dataSet, QAbstractButton& pulsanteSalva,
                                 const QString& tabella);

    // Print and library calls (velkora/services/PrintLibrary.h).
    // Prints a dataset through the print library "Vorp" of the program folder: sets the typed
    // parameters "TitoloStampa" and "NomeReport" (when the form holds them), calls the export of
    // the dataset's kind and unloads the library. A missing library or export prints nothing
    // and says nothing; an error inside the call is shown in a box and goes no further.
    void LanciaStampaConDll(const QString& titoloStampa, const QString& nomeReport,
                            db::QueryDataSet& dataset);
    void LanciaStampaConDll(const QString& titoloStampa, const QString& nomeReport,
                            MemTable& dataset);
    // Calls the function of a module library with one integer; the library stays loaded. A
    // missing library or function does nothing (result 0); an error inside the function goes to
    // the caller. 1 when the function was called.
    qint32 AvviaFunzXDll(const QString& libreria, const QString& funzione, qint32 valore);
    // A library function whose export returns nothing reports its failure here, through the
    // form it was handed (see velkora/kit/Barriera.h), instead of throwing across the call; the
    // form shows it once the call has returned.
    void SegnalaErroreLibreria(const QString& dettaglio) { m_erroreLibreria = dettaglio; }
    // The failure reported since the last time, cleared.
    QString PrendiErroreLibreria() { return std::exchange(m_erroreLibreria, QString()); }

    QString programFolder() const { return m_environment.programFolder; }
    const platform::Environment& environment() const { return m_environment; }
    platform::MessageService& messages() const;
    // The window that owns the form, parent of the dialogs it shows (may be null).
    QWidget* ownerWindow() const;
    // A path below the program folder, written with either separator ("Grafica\Verde.bmp").
    QString programPath(const QString& relative) const;
    // The parameter-set store of the current user, for the start program's favourites.
    ParameterStore& parametri();

private:
    // SetUserPerNum; with a parameter's name, also the parameter's value when it could be read
    // with the user.
    std::optional<QString> impostaUtente(qint32 numero, const std::optional<QString>& parametro);
    qint32 CercaNumUser(const QString& nomeUtente);
    QString CercaNomeUser(qint32 numero);
    QString LeggiDittaUser(const QString& nomeUtente);

    platform::Environment m_environment;
    QString m_erroreLibreria;
    // The units the operations delegate to (users, parameter store, typed parameters, general
    // connections, record editing, generators, scripts, library calls). Declared after the
    // connections, so their statements go before the databases they run on.
    struct Unita;
    std::unique_ptr<Unita> m_unita;
};

// The section names of "NOMIDIT/UTENTI.INI" below the program folder, in file order.
QStringList LeggiUtentiIni(const QString& programFolder);

} // namespace velkora

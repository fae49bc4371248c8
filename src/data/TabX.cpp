// The shared data form: its construction and its operations, each a short delegate to the unit
// that does the work (users, parameter store, typed parameters, general connections, record
// editing, generators, scripts, library calls). The form owns the connections and the current
// user, which the suite's modules reach as public fields; the units read them through
// ContestoDati.

#include "data/TabX.h"

#include "services/ui/PulsanteSalva.h"
#include "data/Utenti.h"
#include "db/QueryDataSet.h"
#include "params/ParameterStore.h"
#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"
#include "services/ArchivioScript.h"
#include "services/ChiamateLibreria.h"
#include "services/Generatori.h"
#include "services/ModificaRecord.h"
#include "sessions/HandleFinestra.h"
#include "storage/ContestoDati.h"
#include "storage/DatabaseLocation.h"
#include "tabx/ConnessioniGenerali.h"
#include "tabx/ParametriTabX.h"

#include <velkora/services/PrintLibrary.h>

#include <QWidget>


namespace velkora {

struct TTabXForm::Unita
{
    explicit Unita(TTabXForm& form)
        : contesto(form.m_environment, [&form] { return form.ownerWindow(); },
                   {&form.NumUser, &form.NomeUser, &form.DittaCorrente, &form.PercorsoVerde,
                    &form.PercorsoRosso})
        , utenti(form.QueryVelkora, form.TransazioneUser, form.ModoUtenti, contesto)
        , parametri(form.QueryVelkora, form.IBDatabaseUser, form.TransazioneUser, form.ModoUtenti,
                    contesto)
        , tabX(form.MemTabX, form.IBDatabase1, form.IBTransaction1, contesto)
        , connessioni(tabX, form.IBDatabaseUser, contesto)
        , modifica(contesto, {&form.IBDatabase1, &form.IBDatabase2, &form.IBDatabase3,
                              &form.IBDatabase4, &form.IBDatabaseUser})
        , generatori(modifica, form.IBDatabase1)
        , script(form.IBDatabaseUser, form.TransazioneUser, contesto)
        , chiamate(contesto)
    {
    }

    ContestoDati contesto;
    Utenti utenti;
    ParameterStore parametri;
    ParametriTabX tabX;
    ConnessioniGenerali connessioni;
    ModificaRecord modifica;
    Generatori generatori;
    ArchivioScript script;
    ChiamateLibreria chiamate;
};

namespace {

void configureConnection(db::Database& database, db::Transaction& transaction,
                         const QStringList& params)
{
    database.setSqlDialect(3);
    database.setLoginPrompt(false);
    // The data forms of one program (its main window's and every module window's) share one
    // attachment per database; each keeps its own transactions.
    database.setShared(true);
    database.setDefaultTransaction(&transaction);
    transaction.setDatabase(&database);
    transaction.params() = params;
}

} // namespace

TTabXForm::TTabXForm(QObject* owner, quint8 mode, const platform::Environment& environment)
    : QObject(owner)
    , ModoUtenti(mode)
    , m_environment(environment)
{
    setObjectName(QStringLiteral("TabXForm"));
    if (!m_environment.messages)
        m_environment.messages = platform::Environment::process().messages;
    m_unita = std::make_unique<Unita>(*this);

    MemTabX.setFields(ParametriTabX::campi());
    const QStringList concurrencyNowait = {QStringLiteral("isc_tpb_concurrency"),
                                           QStringLiteral("isc_tpb_nowait")};
    configureConnection(IBDatabase1, IBTransaction1, concurrencyNowait);
    configureConnection(IBDatabase2, IBTransaction2, {});
    configureConnection(IBDatabase3, IBTransaction3, {});
    configureConnection(IBDatabase4, IBTransaction4, {});
    configureConnection(IBDatabaseUser, TransazioneUser, {});
    QueryVelkora.setDatabase(&IBDatabaseUser);
    QueryVelkora.setTransaction(&TransazioneUser);

    if (ModoUtenti != 3) {
        SetVerde(programPath(QStringLiteral("Grafica\\Verde.bmp")));
        SetRosso(programPath(QStringLiteral("Grafica\\Rosso.bmp")));
        const QString userFolder = programPath(QStringLiteral("user"));
        if (!platform::folderExists(userFolder))
            platform::createFolder(userFolder);
        if (!ApriOCreaDatabase(IBDatabaseUser, userFolder + QLatin1Char('/'),
                               QStringLiteral("user.fdb"), QString(), QString(), ownerWindow(),
                               messages(), m_environment.drives))
            messages().error(QStringLiteral("Errore inizializzazione database utenti"),
                             ownerWindow());
        m_unita->script.creaTabellaSeManca(QueryVelkora);
    }
    MemTabX.open();
}

TTabXForm::~TTabXForm() = default;

platform::MessageService& TTabXForm::messages() const
{
    return *m_environment.messages;
}

QWidget* TTabXForm::ownerWindow() const
{
    return qobject_cast<QWidget*>(parent());
}

QString TTabXForm::programPath(const QString& relative) const
{
    return m_unita->contesto.percorsoProgramma(relative);
}

ParameterStore& TTabXForm::parametri()
{
    return m_unita->parametri;
}

// Users.

void TTabXForm::CaricaUser(QStringList& lista)
{
    m_unita->utenti.CaricaUser(lista);
}

bool TTabXForm::VerificaPasswordUser(const QString& nomeUtente, const QString& password)
{
    return m_unita->utenti.VerificaPasswordUser(nomeUtente, password);
}

void TTabXForm::SetUserPerNome(const QString& nomeUtente)
{
    SetUserPerNum(CercaNumUser(nomeUtente));
}

void TTabXForm::SetUserPerNum(qint32 numero)
{
    impostaUtente(numero, std::nullopt);
}

QString TTabXForm::SetUserPerNumConParametro(qint32 numero, const QString& nome)
{
    const std::optional<QString> letto = impostaUtente(numero, nome);
    return letto ? *letto : CaricaParametro(nome);
}

std::optional<QString> TTabXForm::impostaUtente(qint32 numero,
                                                const std::optional<QString>& parametro)
{
    NumUser = numero;
    // The company may have been changed on another workstation: the name and the company (and
    // the parameter asked for) are read from one fresh transaction, in one statement.
    m_unita->utenti.nuovaLettura();
    if (ModoUtenti == 0) {
        Utenti::Letto letto = m_unita->utenti.nomeEDitta(numero, parametro);
        NomeUser = letto.nome;
        DittaCorrente = letto.ditta;
        CaricaVelkora(numero);
        return letto.parametro;
    }
    NomeUser = CercaNomeUser(numero);
    if (ModoUtenti == 1)
        DittaCorrente = m_unita->utenti.dittaDaFile();
    return std::nullopt;
}

qint32 TTabXForm::CercaNumUser(const QString& nomeUtente)
{
    return m_unita->utenti.CercaNumUser(nomeUtente);
}

QString TTabXForm::CercaNomeUser(qint32 numero)
{
    return m_unita->utenti.CercaNomeUser(numero);
}

QString TTabXForm::LeggiDittaUser(const QString& nomeUtente)
{
    return m_unita->utenti.LeggiDittaUser(nomeUtente);
}

void TTabXForm::SettaFileIni(const QString& section, const QString& key, const QString& value)
{
    platform::IniFile(m_unita->contesto.fileUtente()).writeString(section, key, value);
}

// Parameter sets.

void TTabXForm::CaricaParametro(const QString& nome, QString& valore)
{
    m_unita->parametri.CaricaParametro(nome, valore);
}

QString TTabXForm::CaricaParametro(const QString& nome)
{
    QString valore;
    CaricaParametro(nome, valore);
    return valore;
}

void TTabXForm::SettaParametro(const QString& nome, const QString& valore)
{
    m_unita->parametri.SettaParametro(nome, valore);
}

void TTabXForm::ScriviParametroVelkora(const QString& sezione, const QString& nome,
                                       const QString& valore)
{
    m_unita->parametri.ScriviParametroVelkora(sezione, nome, valore);
}

void TTabXForm::ScriviVelkora(qint32 utente)
{
    m_unita->parametri.ScriviVelkora(utente);
}

void TTabXForm::CaricaVelkora(qint32 utente)
{
    m_unita->parametri.CaricaVelkora(utente);
}

// Typed parameters and general connections.

void TTabXForm::GetV(const QString& nome, QString& valore)
{
    valore = m_unita->tabX.GetV(nome);
}

void TTabXForm::GetM(const QString& nome, QString& valore)
{
    valore = m_unita->tabX.GetM(nome);
}

bool TTabXForm::SetV(const QString& nome, const QString& valore)
{
    return m_unita->tabX.SetV(nome, valore);
}

bool TTabXForm::SetM(const QString& nome, const QString& valore)
{
    return m_unita->tabX.SetM(nome, valore);
}

void TTabXForm::Inserisci(const QString& tipo, const QString& nome, const QString& numero,
                          const QString& testo, const QString& data, const QString& memo,
                          const QString& livello1, const QString& livello2, const QString& utente)
{
    m_unita->tabX.Inserisci(tipo, nome, numero, testo, data, memo, livello1, livello2, utente);
}

void TTabXForm::AggiornaParametriTabX()
{
    m_unita->tabX.AggiornaParametriTabX();
}

bool TTabXForm::VerificaEsistenzaInTabX(const QString& progetto, const QString& situazione,
                                        const QString& nome)
{
    return m_unita->tabX.VerificaEsistenzaInTabX(progetto, situazione, nome);
}

bool TTabXForm::AggiungiParametroInTabX(const QString& progetto, const QString& situazione,
                                        const QString& nome, const QString& numero,
                                        const QString& testo, const QString& data,
                                        const QString& memo, const QString& livello1,
                                        const QString& livello2)
{
    return m_unita->tabX.AggiungiParametroInTabX(progetto, situazione, nome, numero, testo, data,
                                                 memo, livello1, livello2);
}

bool TTabXForm::ScriviParametroInTabX(const QString& progetto, const QString& situazione,
                                      const QString& nome, const QString& numero,
                                      const QString& testo, const QString& data,
                                      const QString& memo)
{
    return m_unita->tabX.ScriviParametroInTabX(progetto, situazione, nome, numero, testo, data,
                                               memo);
}

bool TTabXForm::CaricaParametroDaTabX(const QString& progetto, const QString& situazione,
                                      const QString& nome, const QString&, const QString&,
                                      const QString&, const QString&, const QString&,
                                      const QString&)
{
    return m_unita->tabX.CaricaParametroDaTabX(progetto, situazione, nome);
}

void TTabXForm::ConnettiDatabase1(const QString& nome)
{
    m_unita->connessioni.connetti(IBDatabase1, nome);
}

void TTabXForm::ConnettiDatabase2(const QString& nome)
{
    m_unita->connessioni.connetti(IBDatabase2, nome);
}

void TTabXForm::ConnettiDatabase3(const QString& nome)
{
    m_unita->connessioni.connetti(IBDatabase3, nome);
}

void TTabXForm::ConnettiDatabase4(const QString& nome)
{
    m_unita->connessioni.connetti(IBDatabase4, nome);
}

QString TTabXForm::NomeDatabaseSulServer(const QString& percorso) const
{
    return m_unita->connessioni.NomeDatabaseSulServer(percorso);
}

bool TTabXForm::EsisteDatabase(const QString& percorso)
{
    return m_unita->connessioni.EsisteDatabase(percorso);
}

// Scripts and the call log.

void TTabXForm::IniScriptForm(const QString& progetto, const QString& finestra,
                              const QString& contesto, const QString& utente, const QString& script,
                              const QString& forza)
{
    m_unita->script.IniScriptForm(progetto, finestra, contesto, utente, script, forza);
}

bool TTabXForm::ScritturaHandleDiApertura(qint32 idFinestra, qint32 handle)
{
    return scriviHandleFinestra(QueryVelkora, TransazioneUser, idFinestra, handle);
}

// Key generators.

void TTabXForm::NuovoIntSuLast(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                               bool& segnalibroValido, QAbstractButton& pulsanteSalva)
{
    PulsanteSalva pulsante(pulsanteSalva);
    m_unita->generatori.NuovoIntSuLast(dataSet, segnalibro, segnalibroValido, pulsante);
}

void TTabXForm::NuovoIntSuMax(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                              bool& segnalibroValido, QAbstractButton& pulsanteSalva,
                              const QString& tabella)
{
    PulsanteSalva pulsante(pulsanteSalva);
    m_unita->generatori.NuovoIntSuMax(dataSet, segnalibro, segnalibroValido, pulsante, tabella);
}

void TTabXForm::NuovoIntSuGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                     bool& segnalibroValido, QAbstractButton& pulsanteSalva,
                                     const QString& /*tabella*/, const QString& generatore)
{
    PulsanteSalva pulsante(pulsanteSalva);
    m_unita->generatori.NuovoIntSuGeneratore(dataSet, segnalibro, segnalibroValido, pulsante,
                                             generatore);
}

void TTabXForm::NuovoIntSuGenSQL(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                 bool& segnalibroValido, QAbstractButton& pulsanteSalva,
                                 const QString& tabella, const QString& generatore)
{
    PulsanteSalva pulsante(pulsanteSalva);
    m_unita->generatori.NuovoIntSuGenSQL(dataSet, segnalibro, segnalibroValido, pulsante, tabella,
                                         generatore);
}

bool TTabXForm::CreaGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                               bool& segnalibroValido, QAbstractButton& pulsanteSalva,
                               const QString& generatore)
{
    PulsanteSalva pulsante(pulsanteSalva);
    return m_unita->generatori.CreaGeneratore(dataSet, segnalibro, segnalibroValido, pulsante,
                                              generatore);
}

bool TTabXForm::SetGeneratore(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                              bool& segnalibroValido, QAbstractButton& pulsanteSalva,
                              const QString& generatore, qint32 valore)
{
    PulsanteSalva pulsante(pulsanteSalva);
    return m_unita->generatori.SetGeneratore(dataSet, segnalibro, segnalibroValido, pulsante,
                                             generatore, valore);
}

bool TTabXForm::CheckGeneratore(db::QueryDataSet& dataSet, const QString& generatore)
{
    return m_unita->generatori.CheckGeneratore(dataSet, generatore);
}

void TTabXForm::ValoreGeneratore(const QString& generatore, QString& valore)
{
    valore = m_unita->generatori.ValoreGeneratore(generatore);
}

// Record editing.

void TTabXForm::AggiornaTabella(db::QueryDataSet& dataSet, Segnalibro segnalibro,
                                bool vaiASegnalibro)
{
    m_unita->modifica.AggiornaTabella(dataSet, segnalibro, vaiASegnalibro);
}

void TTabXForm::ChiudiTransazione(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                  bool& segnalibroValido, QAbstractButton& pulsanteSalva)
{
    PulsanteSalva pulsante(pulsanteSalva);
    m_unita->modifica.ChiudiTransazione(dataSet, segnalibro, segnalibroValido, pulsante);
}

void TTabXForm::ChiudiTransEAggiorna(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                     bool& segnalibroValido, QAbstractButton& pulsanteSalva)
{
    PulsanteSalva pulsante(pulsanteSalva);
    m_unita->modifica.ChiudiTransEAggiorna(dataSet, segnalibro, segnalibroValido, pulsante);
}

void TTabXForm::Annulla(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                        QAbstractButton& pulsanteSalva)
{
    PulsanteSalva pulsante(pulsanteSalva);
    m_unita->modifica.Annulla(dataSet, segnalibro, segnalibroValido, pulsante);
}

bool TTabXForm::Elimina(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                        QAbstractButton& pulsanteSalva)
{
    PulsanteSalva pulsante(pulsanteSalva);
    return m_unita->modifica.Elimina(dataSet, segnalibro, segnalibroValido, pulsante);
}

void TTabXForm::Azzera(db::QueryDataSet& dataSet, Segnalibro& segnalibro, bool& segnalibroValido,
                       QAbstractButton& pulsanteSalva, const QString& tabella)
{
    PulsanteSalva pulsante(pulsanteSalva);
    m_unita->modifica.Azzera(dataSet, segnalibro, segnalibroValido, pulsante, tabella);
}

void TTabXForm::Chiudi(db::QueryDataSet& dataSet, Segnalibro&, bool&,
                       QAbstractButton& pulsanteSalva)
{
    PulsanteSalva pulsante(pulsanteSalva);
    m_unita->modifica.Chiudi(dataSet, pulsante);
}

void TTabXForm::AggiornamentoDaPulsante(db::QueryDataSet& dataSet, Segnalibro& segnalibro,
                                        bool& segnalibroValido, QAbstractButton& pulsanteSalva)
{
    PulsanteSalva pulsante(pulsanteSalva);
    m_unita->modifica.AggiornamentoDaPulsante(dataSet, segnalibro, segnalibroValido, pulsante);
}

void TTabXForm::EventoBeforeEditDataSet(db::QueryDataSet& dataSet, QAbstractButton& pulsanteSalva,
                                        const QString& tabella)
{
    PulsanteSalva pulsante(pulsanteSalva);
    m_unita->modifica.EventoBeforeEditDataSet(dataSet, pulsante, tabella);
}

// Print and library calls.

namespace {

// Calls a print export with the dataset and the form, and gives back the failure the library
// reported through the form (velkora/kit/Barriera.h).
template <typename Funzione, typename DataSet>
QString chiamaStampa(TTabXForm& form, platform::DynamicLibrary::Function f, DataSet& dataset)
{
    TTabXForm* variabile = &form;
    form.PrendiErroreLibreria();
    reinterpret_cast<Funzione>(f)(&dataset, &variabile);
    return form.PrendiErroreLibreria();
}

} // namespace

void TTabXForm::LanciaStampaConDll(const QString& titoloStampa, const QString& nomeReport,
                                   db::QueryDataSet& dataset)
{
    // The texts are set whether or not the library is there: a module may read them itself.
    // SetV changes only a parameter the form holds; without one the print library finds
    // whatever the module stored before.
    SetV(QString::fromLatin1(kPrintTitleParameter), titoloStampa);
    SetV(QString::fromLatin1(kPrintReportParameter), nomeReport);
    m_unita->chiamate.stampa(kPrintQueryExport, [&](platform::DynamicLibrary::Function f) {
        return chiamaStampa<FunzioneStampaQuery>(*this, f, dataset);
    });
}

void TTabXForm::LanciaStampaConDll(const QString& titoloStampa, const QString& nomeReport,
                                   MemTable& dataset)
{
    SetV(QString::fromLatin1(kPrintTitleParameter), titoloStampa);
    SetV(QString::fromLatin1(kPrintReportParameter), nomeReport);
    m_unita->chiamate.stampa(kPrintMemoryExport, [&](platform::DynamicLibrary::Function f) {
        return chiamaStampa<FunzioneStampaMemoria>(*this, f, dataset);
    });
}

qint32 TTabXForm::AvviaFunzXDll(const QString& libreria, const QString& funzione, qint32 valore)
{
    return m_unita->chiamate.AvviaFunzXDll(libreria, funzione, valore);
}

} // namespace velkora

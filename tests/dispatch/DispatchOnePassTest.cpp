// The dispatch of a menu item (one restart, one merged read, one call-log statement) against the
// operations one after the other as the design lists them, each statement on its own (written
// out below, from the window's own operations): the same cases run both ways, each on a fresh
// user database of its own, and everything a user or the database can see must come out the
// same: the boxes with their details, the call-log rows, the user's stored company, the module
// calls with their arguments, the failed-statement files and an engine error reaching the caller.

#include "TestModulePaths.h"
#include "data/TabX.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "dispatch/EsecuzioneVoce.h"
#include "sessions/SessioniLavoro.h"
#include "dispatch/ModuleAccess.h"
#include "platform/MessageService.h"
#include "platform/DynamicLibrary.h"
#include "shell/BaseMain.h"
#include "support/ProgramFolder.h"
#include "support/TestDatabase.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>
#include <tuple>
#include <vector>

using namespace velkora;
using velkora::platform::BoxKind;
using namespace velkora::test;

namespace {

constexpr int kProgramma = 10;

// A parameter text of n bytes ending in non-ASCII letters.
QString parametri(int n)
{
    QString testo(n - 3, QLatin1Char('p'));
    return testo + QStringLiteral("àèù");
}

// One program folder with its user database: program 10 of project 1, users ROSSI (existing
// profile), BIANCHI (missing profile) and VERDI (missing profile, check skipped), items naming
// the functions of a copy of the test module of its own.
class Banco
{
public:
    explicit Banco(const std::function<void(db::Database&)>& primaDellAccesso)
    {
        folder.installUserDatabase();
        folder.makeFolder(QStringLiteral("Grafica"));
        copyModule(QString::fromUtf8(kTestModuleFile), moduleFile);
        platform::DynamicLibrary::load(QStringLiteral("Prova.so"), folder.path());
        resetModule(moduleFile);
        test::attach(other, folder.userDatabase());
        for (const char* sql : {
                 "INSERT INTO PROFILI (CODICE, LIVELLOPREDEFINITO) VALUES (1, 'A')",
                 "INSERT INTO PROGRAMMI (CODICE, DESCRIZIONE, ICONA) VALUES (10, 'Vendite', '')",
                 "INSERT INTO DETTPROGETTI (PROGETTO, PROGRAMMA) VALUES (1, 10)",
                 "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) "
                 "VALUES (1, 'ROSSI', 'ALFA', 1, 1)",
                 "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO) "
                 "VALUES (2, 'BIANCHI', 'ALFA', 99, 1)",
                 "INSERT INTO UTENTI (CODICE, NOMEUTENTE, DITTA, PROFILOSICUREZZA, PROGETTO, "
                 "MANTIENISTDMIN) VALUES (3, 'VERDI', 'ALFA', 99, 1, '1')",
             })
            test::exec(other, QString::fromUtf8(sql));
        voce(100, QString(), QString(), std::nullopt, -1);
        const QString breve = QStringLiteral("MODO=INSERIMENTO;NOTA=più");
        voce(101, QStringLiteral("Prova.so"), QStringLiteral("ApriFinestraX"), breve);
        voce(102, QStringLiteral("Prova.so"), QStringLiteral("ApriDueX"), breve);
        voce(103, QStringLiteral("Prova.so"), QStringLiteral("ApriTreY"), breve);
        voce(104, QStringLiteral("Prova.so"), QStringLiteral("ApriUno"), breve);
        voce(105, QStringLiteral("Prova.so"), QStringLiteral("ApriDueTesto"), breve);
        voce(106, QStringLiteral("Prova.so"), QStringLiteral("apriunox"), breve);
        voce(107, QStringLiteral("Prova.so"), QStringLiteral("apriduey"), breve);
        voce(108, QStringLiteral("Prova.so"), QStringLiteral("ApriDueTesto"), std::nullopt);
        voce(109, QStringLiteral("Prova.so"), QStringLiteral("Dell'Anno"), breve);
        // Parameter texts at and beyond the length the merged read carries as a string.
        voce(120, QStringLiteral("Prova.so"), QStringLiteral("ApriTreY"), parametri(8000));
        voce(121, QStringLiteral("Prova.so"), QStringLiteral("ApriTreY"), parametri(8001));
        voce(122, QStringLiteral("Prova.so"), QStringLiteral("ApriDueX"), parametri(40000));
        voce(201, QString(), QStringLiteral("ApriUno"), breve);
        voce(202, QStringLiteral("Prova.so"), QString(), breve);
        voce(203, QString(), QString(), breve);
        primaDellAccesso(other);
    }

    // A leaf below item 100; an empty library or function is stored as NULL.
    void voce(int menu, const QString& dll, const QString& funzione,
              const std::optional<QString>& testo, int prec = 100)
    {
        auto textOrNull = [](const QString& t) {
            return t.isEmpty() ? QStringLiteral("NULL") : db::quoted(t);
        };
        db::Transaction t(&other);
        db::Query q(&other, &t);
        q.add(QStringLiteral("INSERT INTO DETTMENU (PROGRAMMA, MENU, LIVELLOMENU, MENUPREC, "
                             "VISIBILE, DESCRIZIONE, "
                             "VOCERAPIDA, DLL, FUNZIONE, LIVELLO2VERSIONE, PARAMETRIBLOB) VALUES "
                             "(%1, %2, %3, %4, "
                             "'1', 'Voce', '0', %5, %6, '0', :TESTO)")
                  .arg(kProgramma)
                  .arg(menu)
                  .arg(prec < 0 ? 0 : 1)
                  .arg(prec < 0 ? QStringLiteral("NULL") : QString::number(prec), textOrNull(dll),
                       textOrNull(funzione)));
        q.setParam(QStringLiteral("TESTO"), testo ? QVariant(*testo) : QVariant());
        q.execSql();
        t.commit();
    }

    std::unique_ptr<TBaseMainForm> login(const QString& nome)
    {
        auto w = std::make_unique<TBaseMainForm>(folder.environment());
        w->ComboUtenti->setCurrentIndex(w->ComboUtenti->findText(nome));
        w->EditPassword->clear();
        w->ButtonOk->click();
        EXPECT_TRUE(folder.messages.boxes().empty())
            << folder.messages.texts().join(QLatin1Char('\n')).toStdString();
        folder.messages.clear();
        return w;
    }

    const ModuleRecord* record() const { return recordOf(moduleFile); }

    ProgramFolder folder;
    CurrentDirectory cwd{folder.path()};
    db::Database other;
    const QString moduleFile = folder.file(QStringLiteral("Prova.so"));
};

// A module call as the module saw it; the window id only as "the id of the last log row".
struct Chiamata
{
    std::string funzione;
    std::int32_t numUser;
    bool conId;
    bool idDelLog;
    TextForm forma;
    bool testoNullo;
    std::string testo;
    bool operator==(const Chiamata&) const = default;
};

// A call-log row of the session, its window id as "the one the module got" or not.
struct Riga
{
    QString funzione;
    bool dataDiOggi;
    bool secondiInteri;
    bool conId;
    bool operator==(const Riga&) const = default;
};

struct Esito
{
    std::vector<std::tuple<BoxKind, QString, QString>> boxes;
    std::vector<Riga> righe;
    std::vector<Chiamata> chiamate;
    QString ditta;
    // Failed-statement files by name, their dates, times and window id written as placeholders.
    std::vector<std::pair<QString, QString>> file;
    bool erroreMotore = false;
    bool operator==(const Esito&) const = default;
};

void PrintTo(const Esito& e, std::ostream* os)
{
    *os << "boxes:";
    for (const auto& [kind, text, detail] : e.boxes)
        *os << " [" << int(kind) << "] " << text.toStdString() << " / " << detail.toStdString();
    *os << "\nrows:";
    for (const Riga& r : e.righe)
        *os << " " << r.funzione.toStdString() << (r.dataDiOggi ? " today" : " other day")
            << (r.secondiInteri ? "" : " fraction") << (r.conId ? " id" : " no id") << ";";
    *os << "\ncalls:";
    for (const Chiamata& c : e.chiamate)
        *os << " " << c.funzione << " user " << c.numUser << (c.conId ? " id" : "")
            << (c.idDelLog ? " (logged)" : "") << " form " << int(c.forma) << " text "
            << c.testo.size() << " bytes;";
    *os << "\ncompany: " << e.ditta.toStdString() << "\nfiles:";
    for (const auto& [nome, testo] : e.file)
        *os << " " << nome.toStdString() << ":\n" << testo.toStdString();
    *os << "\nengine error: " << e.erroreMotore;
}

// The dispatch as the design lists it, every statement on its own with its own restart and
// commit: the profile and the item read on QueryAux, then the window's operations for the
// session check, the call log and the company, then the call of the kind the name selects.
void dispatchUnoPerUno(TBaseMainForm& w, qint32 programma, qint32 menu, qint32 modo)
{
    TTabXForm& form = *w.tabX();
    db::Query& q = w.QueryAux;
    const auto errore = [&w](const QString& testo) { w.messages().error(testo, &w); };
    if (!w.MantieniStdMin) {
        q.close();
        q.clear();
        q.add(QStringLiteral("SELECT LIVELLOPREDEFINITO FROM PROFILI WHERE"));
        q.add(QStringLiteral("CODICE=") + db::quotedInt(w.NumProfilo));
        q.open();
        if (q.isEmpty()) {
            errore(QStringLiteral("Errore di configurazione dell'utente ") + form.NomeUser +
                   QStringLiteral(": il profilo sicurezza assegnato non esiste"));
            return;
        }
    }
    q.close();
    q.clear();
    q.add(QStringLiteral("SELECT DLL, FUNZIONE, LIVELLO2VERSIONE, PARAMETRIBLOB"));
    q.add(QStringLiteral("FROM DETTMENU WHERE"));
    q.add(QStringLiteral("(PROGRAMMA=") + db::quotedInt(programma) + QStringLiteral(")AND"));
    q.add(QStringLiteral("(MENU=") + db::quotedInt(menu) + QStringLiteral(")"));
    q.open();
    const QString apertura = QStringLiteral("Impossibile caricare la finestra relativa alla voce "
                                            "di menu selezionata. Controllare le impostazioni di "
                                            "menu del programma ") +
                             QString::number(programma);
    if (q.isEmpty()) {
        errore(apertura + QStringLiteral(": manca il menu ") + QString::number(menu));
        return;
    }
    q.first();
    const QString dll = q.asString(QStringLiteral("DLL"));
    const QString funzione = q.asString(QStringLiteral("FUNZIONE"));
    const QString testo = q.asString(QStringLiteral("PARAMETRIBLOB"));
    q.close();
    if (dll.isEmpty()) {
        errore(apertura + QStringLiteral(": manca la DLL di riferimento per caricare la finestra "
                                         "nel menu ") +
               QString::number(menu));
        return;
    }
    if (funzione.isEmpty()) {
        errore(apertura + QStringLiteral(": manca la funzione di riferimento per caricare la "
                                         "finestra nel menu ") +
               QString::number(menu));
        return;
    }
    if (!w.VerificaStatoSessione(true))
        return;
    // The call-log row names the item, as the log has the item's columns.
    const qint32 id = w.sessioni().registraChiamata(funzione, VoceChiamata{programma, menu});
    if (!w.AggiornaDittaUtente(form.NumUser, form.DittaCorrente))
        return;
    switch (tipoChiamata(funzione, modo)) {
    case TipoChiamata::DLL3Y:
        w.CaricaFunzioneDLL3Y(dll, funzione, testo, id);
        break;
    case TipoChiamata::DLLX:
        w.CaricaFunzioneDLLX(dll, funzione, id);
        break;
    case TipoChiamata::DLL2X:
        w.CaricaFunzioneDLL2X(dll, funzione, testo, id);
        break;
    case TipoChiamata::DLL:
        w.CaricaFunzioneDLL(dll, funzione);
        break;
    case TipoChiamata::DLL2:
        w.CaricaFunzioneDLL2(dll, funzione, testo);
        break;
    }
}

using Azione = std::function<void(db::Database& altra, TBaseMainForm& w)>;

struct Clic
{
    int menu;
    int modo;
    Azione prima;
};

struct Caso
{
    friend void PrintTo(const Caso& caso, std::ostream* os) { *os << caso.what; }
    const char* what;
    const char* utente;
    std::vector<Clic> clic;
    // Before the window is made (the schema a window probes at start).
    std::function<void(db::Database&)> primaDellAccesso;
    // Whether some function is called: so that two empty outcomes cannot pass unnoticed.
    bool chiamata;
};

Esito esegui(const Caso& caso, bool passoPerPasso)
{
    Banco banco(caso.primaDellAccesso);
    auto w = banco.login(QString::fromUtf8(caso.utente));
    const qint32 sessione = w->CodiceSessione;
    Esito esito;
    std::vector<qint32> idRicevuti;
    for (const Clic& c : caso.clic) {
        if (c.prima)
            c.prima(banco.other, *w);
        const int prima = banco.record() ? banco.record()->calls : 0;
        try {
            if (passoPerPasso)
                dispatchUnoPerUno(*w, kProgramma, c.menu, c.modo);
            else
                w->EseguiFunzioneVoce(kProgramma, c.menu, c.modo);
        } catch (const db::DbError&) {
            esito.erroreMotore = true;
        }
        const ModuleRecord* record = banco.record();
        if (record && record->calls > prima) {
            const ModuleCall& m = record->last;
            esito.chiamate.push_back({m.function, m.numUser, m.idFinestra.has_value(), false,
                                      m.form, m.textIsNull, m.bytes});
            idRicevuti.push_back(m.idFinestra.value_or(-1));
        } else {
            idRicevuti.push_back(-1);
        }
    }
    for (const auto& box : banco.folder.messages.boxes())
        esito.boxes.emplace_back(box.kind, box.text, box.detail);

    db::Transaction t(&banco.other);
    db::Query q(&banco.other, &t);
    q.add(QStringLiteral("SELECT * FROM NORVILOGFUNZ WHERE CODICESESSIONE=") +
          db::quotedInt(sessione) +
          QStringLiteral(" AND FUNZIONECHIAMATA<>'ShowContattAgendaFormD'"));
    q.open();
    const bool conColonna = q.fieldIndex(QStringLiteral("IDFINESTRA")) >= 0;
    for (q.first(); !q.eof(); q.next()) {
        const qint32 id =
            conColonna ? static_cast<qint32>(q.asInteger(QStringLiteral("IDFINESTRA"))) : 0;
        const QTime ora = q.value(QStringLiteral("ORACHIAMATAFUNZIONE")).toTime();
        esito.righe.push_back(
            {q.asString(QStringLiteral("FUNZIONECHIAMATA")),
             q.value(QStringLiteral("DATACHIAMATAFUNZIONE")).toDate() == QDate::currentDate(),
             ora.isValid() && ora.msec() == 0,
             conColonna && !q.isNull(QStringLiteral("IDFINESTRA"))});
        for (std::size_t i = 0; i < esito.chiamate.size(); ++i)
            if (esito.chiamate[i].conId && id != 0 && idRicevuti[i] == id)
                esito.chiamate[i].idDelLog = true;
    }
    q.close();
    q.clear();
    q.add(QStringLiteral("SELECT DITTA FROM UTENTI WHERE NOMEUTENTE=") +
          db::quoted(QString::fromUtf8(caso.utente)));
    q.open();
    esito.ditta = q.asString(0);
    t.commit();

    for (auto [nome, testo] : test::fileIstruzioniFallite(banco.folder.path())) {
        for (qint32 id : idRicevuti)
            if (id > 0)
                testo.replace(QStringLiteral(",'%1'").arg(id), QStringLiteral(",'<id>'"));
        esito.file.emplace_back(nome, testo);
    }
    return esito;
}

void chiudiSessione(db::Database& altra, TBaseMainForm& w)
{
    test::exec(altra, QStringLiteral("UPDATE NORVILOG SET DATACHIUSURA='12/10/2026', "
                                     "ORACHIUSURA='10:00:00' WHERE CODICESESSIONE=") +
                          QString::number(w.CodiceSessione));
}

void rifiutaIlLogDi(db::Database& altra, const char* funzione)
{
    test::exec(altra, QStringLiteral("CREATE EXCEPTION LOG_RIFIUTATO 'registro chiuso'"));
    test::exec(altra, QStringLiteral("CREATE TRIGGER NORVILOGFUNZ_RIFIUTO FOR NORVILOGFUNZ "
                                     "BEFORE INSERT AS BEGIN IF (NEW.FUNZIONECHIAMATA=%1) THEN "
                                     "EXCEPTION LOG_RIFIUTATO; END")
                          .arg(db::quoted(QString::fromUtf8(funzione))));
}

std::vector<Caso> casi()
{
    const auto niente = [](db::Database&) {};
    return {
        {"X, mode 1", "ROSSI", {{101, 1, {}}}, niente, true},
        {"X, mode 2", "ROSSI", {{102, 2, {}}}, niente, true},
        {"Y, mode 1", "ROSSI", {{103, 1, {}}}, niente, true},
        {"Y, mode 2", "ROSSI", {{103, 2, {}}}, niente, true},
        {"plain, mode 1", "ROSSI", {{104, 1, {}}}, niente, true},
        {"plain, mode 2", "ROSSI", {{105, 2, {}}}, niente, true},
        {"lower-case x", "ROSSI", {{106, 1, {}}}, niente, true},
        {"lower-case y, mode 2", "ROSSI", {{107, 2, {}}}, niente, true},
        {"no parameter text, mode 2", "ROSSI", {{108, 2, {}}}, niente, true},
        {"function with a quote, not exported", "ROSSI", {{109, 1, {}}}, niente, false},
        {"text of 8000 bytes", "ROSSI", {{120, 1, {}}}, niente, true},
        {"text of 8001 bytes", "ROSSI", {{121, 2, {}}}, niente, true},
        {"text of 40000 bytes", "ROSSI", {{122, 2, {}}}, niente, true},
        {"missing profile", "BIANCHI", {{101, 1, {}}}, niente, false},
        {"missing profile, check skipped", "VERDI", {{101, 1, {}}}, niente, true},
        {"missing item", "ROSSI", {{999, 1, {}}}, niente, false},
        {"entry with children and no library", "ROSSI", {{100, 1, {}}}, niente, false},
        {"empty DLL", "ROSSI", {{201, 1, {}}}, niente, false},
        {"empty FUNZIONE", "ROSSI", {{202, 1, {}}}, niente, false},
        {"both empty", "ROSSI", {{203, 1, {}}}, niente, false},
        {"session closed from another workstation",
         "ROSSI",
         {{101, 1, chiudiSessione}},
         niente,
         false},
        {"session row gone",
         "ROSSI",
         {{101, 1,
           [](db::Database& altra, TBaseMainForm& w) {
               test::exec(altra, QStringLiteral("DELETE FROM NORVILOG WHERE CODICESESSIONE=") +
                                     QString::number(w.CodiceSessione));
           }}},
         niente,
         false},
        {"company written back",
         "ROSSI",
         {{101, 1,
           [](db::Database&, TBaseMainForm& w) {
               w.tabX()->DittaCorrente = QStringLiteral("Beta");
           }},
          {104, 1, {}}},
         niente,
         true},
        {"company changed elsewhere is written back again",
         "ROSSI",
         {{101, 1, {}},
          {104, 1,
           [](db::Database& altra, TBaseMainForm&) {
               test::exec(altra, QStringLiteral("UPDATE UTENTI SET DITTA='GAMMA' WHERE CODICE=1"));
           }}},
         niente,
         true},
        {"company write refused",
         "ROSSI",
         {{101, 1,
           [](db::Database&, TBaseMainForm& w) {
               w.tabX()->DittaCorrente = QString(101, QLatin1Char('D'));
           }}},
         niente,
         false},
        {"call log refused: the call still made",
         "ROSSI",
         {{101, 1,
           [](db::Database& altra, TBaseMainForm&) { rifiutaIlLogDi(altra, "ApriFinestraX"); }},
          {103, 1, {}}},
         niente,
         true},
        {"call log without window columns",
         "ROSSI",
         {{101, 1, {}}, {103, 2, {}}},
         [](db::Database& altra) {
             test::dropColumn(altra, QStringLiteral("NORVILOGFUNZ"), QStringLiteral("IDFINESTRA"));
         },
         true},
        {"call log refused without window columns",
         "ROSSI",
         {{104, 1, [](db::Database& altra, TBaseMainForm&) { rifiutaIlLogDi(altra, "ApriUno"); }}},
         [](db::Database& altra) {
             test::dropColumn(altra, QStringLiteral("NORVILOGFUNZ"),
                              QStringLiteral("HANDLEFINESTRA"));
         },
         true},
        {"several clicks, the session closed before the last",
         "ROSSI",
         {{101, 1, {}}, {102, 2, {}}, {999, 1, {}}, {103, 1, {}}, {104, 1, chiudiSessione}},
         niente,
         true},
        {"engine error reading the item",
         "ROSSI",
         {{101, 1,
           [](db::Database& altra, TBaseMainForm&) {
               test::dropColumn(altra, QStringLiteral("DETTMENU"), QStringLiteral("PARAMETRIBLOB"));
           }}},
         niente,
         false},
    };
}

// Each case runs on two fresh databases of its own, so each is a test of its own.
class DispatchOnePassTest : public ::testing::TestWithParam<Caso>
{
};

TEST_P(DispatchOnePassTest, EndsAsWithTheStatementsOneByOne)
{
    const Caso& caso = GetParam();
    SCOPED_TRACE(caso.what);
    const Esito uno = esegui(caso, true);
    const Esito passo = esegui(caso, false);
    EXPECT_EQ(passo, uno);
    EXPECT_EQ(!uno.chiamate.empty(), caso.chiamata);
}

INSTANTIATE_TEST_SUITE_P(Casi, DispatchOnePassTest, ::testing::ValuesIn(casi()),
                         [](const ::testing::TestParamInfo<Caso>& info) {
                             QString nome = QString::fromUtf8(info.param.what);
                             nome.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")),
                                          QStringLiteral("_"));
                             return nome.toStdString();
                         });

} // namespace

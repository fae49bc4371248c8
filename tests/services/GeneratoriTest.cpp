// Key generators of the data form on a real customers table (embedded engine).

#include "db/DbError.h"
#include "services/ChiaviConcorrenti.h"
#include "services/PostazioniModifica.h"

#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace velkora;
using test::Postazione;
using velkora::platform::BoxKind;

namespace {

class Generatori : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path = test::copyTemplate(dir.path() + QStringLiteral("/ditta.fdb"));
        test::creaClienti(path);
        test::creaGeneratoreClienti(path, 41);
        a = std::make_unique<Postazione>(path, QStringLiteral("Mario Rossi"));
    }

    // A single number read through an attachment of its own.
    qint64 numero(const QString& sql)
    {
        db::Database lettore;
        test::attach(lettore, path);
        return test::rows(lettore, sql).value(0).toLongLong();
    }
    // The generator's value, read without advancing it.
    qint64 generatore(const QString& nome = test::kGeneratoreClienti)
    {
        return numero(QStringLiteral("SELECT GEN_ID(") + nome +
                      QStringLiteral(",0) FROM RDB$DATABASE"));
    }
    qint64 utenti() { return numero(QStringLiteral("SELECT COUNT(*) FROM UTENTI")); }

    QTemporaryDir dir;
    QString path;
    std::unique_ptr<Postazione> a;
};

const QStringList kTreClienti = {QStringLiteral("1:Anna"), QStringLiteral("2:Bruno"),
                                 QStringLiteral("3:Carla")};

TEST_F(Generatori, EachWayGivesTheNewRowItsKeyAndLeavesTheWindowAsItSays)
{
    struct Caso
    {
        const char* nome;
        std::function<void(Postazione&)> nuovo;
        qint64 chiave;
        bool salvato;   // the new row is committed
        bool primaRiga; // the dataset stands on its first row afterwards (else on the new one)
    } casi[] = {
        {"NuovoIntSuLast",
         [](Postazione& p) { p.form.NuovoIntSuLast(p.data, p.segnalibro, p.valido, p.salva); }, 4,
         true, false},
        {"NuovoIntSuMax",
         [](Postazione& p) {
             p.form.NuovoIntSuMax(p.data, p.segnalibro, p.valido, p.salva,
                                  QStringLiteral("CLIENTI"));
         },
         4, true, false},
        {"NuovoIntSuGeneratore",
         [](Postazione& p) {
             p.form.NuovoIntSuGeneratore(p.data, p.segnalibro, p.valido, p.salva,
                                         QStringLiteral("ignorata"), test::kGeneratoreClienti);
         },
         42, false, false},
        {"NuovoIntSuGenSQL",
         [](Postazione& p) {
             p.form.NuovoIntSuGenSQL(p.data, p.segnalibro, p.valido, p.salva,
                                     QStringLiteral("CLIENTI"), test::kGeneratoreClienti);
         },
         42, true, true},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        a.reset();
        SetUp();
        // A pending change of the window is saved before the key is computed.
        ASSERT_TRUE(a->vaiA(3));
        ASSERT_TRUE(a->modifica(QStringLiteral("Carlo")));
        c.nuovo(*a);
        EXPECT_TRUE(a->folder.messages.boxes().empty());
        QStringList attese = {kTreClienti[0], kTreClienti[1], QStringLiteral("3:Carlo")};
        if (c.salvato)
            attese << QString::number(c.chiave) + QStringLiteral(":");
        EXPECT_EQ(test::clientiSalvati(path), attese);
        EXPECT_EQ(a->data.recordCount(), 4);
        EXPECT_EQ(a->data.asInteger(QStringLiteral("CODICE")), c.primaRiga ? 1 : c.chiave);
        EXPECT_EQ(tagPulsante(a->salva), c.salvato ? 0 : 1);
        EXPECT_EQ(test::coloreFigura(a->salva), c.salvato ? test::kVerde : test::kRosso);
        if (!c.salvato) {
            // Posted into the open transaction: the save commits it.
            a->salvaEAggiorna();
            attese << QString::number(c.chiave) + QStringLiteral(":");
            EXPECT_EQ(test::clientiSalvati(path), attese);
        }
    }
}

TEST_F(Generatori, KeysOnAnEmptyTableStartAtOne)
{
    struct Caso
    {
        const char* nome;
        std::function<void(Postazione&)> nuovo;
    } casi[] = {
        {"NuovoIntSuLast",
         [](Postazione& p) { p.form.NuovoIntSuLast(p.data, p.segnalibro, p.valido, p.salva); }},
        {"NuovoIntSuMax",
         [](Postazione& p) {
             p.form.NuovoIntSuMax(p.data, p.segnalibro, p.valido, p.salva,
                                  QStringLiteral("CLIENTI"));
         }},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        {
            // Emptied by another workstation: the save and refresh first see it empty.
            db::Database altra;
            test::attach(altra, path);
            test::exec(altra, QStringLiteral("DELETE FROM CLIENTI"));
        }
        c.nuovo(*a);
        EXPECT_EQ(test::clientiSalvati(path), QStringList{QStringLiteral("1:")});
        EXPECT_EQ(a->data.asInteger(QStringLiteral("CODICE")), 1);
    }
}

TEST_F(Generatori, ALastRowThatIsNotTheLargestKeyFailsAtThePostAndCommitsNothing)
{
    a->data.setSql({QStringLiteral("SELECT CODICE, NOME FROM CLIENTI ORDER BY CODICE DESC")});
    a->data.open();
    EXPECT_THROW(a->form.NuovoIntSuLast(a->data, a->segnalibro, a->valido, a->salva), db::DbError);
    a->data.cancel();
    a->form.IBTransaction1.rollback();
    EXPECT_EQ(test::clientiSalvati(path), kTreClienti);
}

TEST_F(Generatori, GeneratorsAreCreatedSetCheckedAndDrawn)
{
    EXPECT_TRUE(a->form.CreaGeneratore(a->data, a->segnalibro, a->valido, a->salva,
                                       QStringLiteral("nuovocounter")));
    EXPECT_FALSE(a->form.CreaGeneratore(a->data, a->segnalibro, a->valido, a->salva,
                                        QStringLiteral("NUOVOCOUNTER")))
        << "it exists already";
    struct Nome
    {
        const char* nome;
        bool trovato;
    } nomi[] = {{"NUOVOCOUNTER", true},
                {"nuovocounter", false},
                {"CLIENTICOUNTER", true},
                {"NUOVO", false},
                {"NUOVOCOUNTER' OR '1'='1", false},
                {"", false}};
    for (const Nome& n : nomi)
        EXPECT_EQ(a->form.CheckGeneratore(a->data, QString::fromUtf8(n.nome)), n.trovato) << n.nome;

    EXPECT_TRUE(a->form.SetGeneratore(a->data, a->segnalibro, a->valido, a->salva,
                                      QStringLiteral("NUOVOCOUNTER"), 41));
    EXPECT_FALSE(a->form.SetGeneratore(a->data, a->segnalibro, a->valido, a->salva,
                                       QStringLiteral("MANCANTE"), 5));
    EXPECT_EQ(tagPulsante(a->salva), 0);
    QString primo;
    QString secondo;
    a->form.ValoreGeneratore(QStringLiteral("NUOVOCOUNTER"), primo);
    a->form.ValoreGeneratore(QStringLiteral("NUOVOCOUNTER"), secondo);
    EXPECT_EQ(primo, QStringLiteral("42"));
    EXPECT_EQ(secondo, QStringLiteral("43"));
    EXPECT_EQ(generatore(QStringLiteral("NUOVOCOUNTER")), 43) << "drawing advances the generator";

    // Past the 32-bit range the value is given whole, not wrapped round.
    ASSERT_TRUE(a->form.SetGeneratore(a->data, a->segnalibro, a->valido, a->salva,
                                      QStringLiteral("NUOVOCOUNTER"), 2147483647));
    a->form.ValoreGeneratore(QStringLiteral("NUOVOCOUNTER"), primo);
    EXPECT_EQ(primo, QStringLiteral("2147483648"));
    EXPECT_TRUE(a->folder.messages.boxes().empty());
}

// Names from callers stand bare in the statements: anything but a plain identifier is refused
// with an error box and nothing runs.
TEST_F(Generatori, HostileNamesAreRefusedAndNothingRuns)
{
    const QString ostili[] = {QStringLiteral("'; DELETE FROM UTENTI; --"),
                              QStringLiteral("CLIENTI; DELETE FROM CLIENTI"),
                              QStringLiteral("CLIENTI WHERE 1=0 UNION SELECT 1 FROM UTENTI"),
                              QStringLiteral("\"CLIENTI\""),
                              QStringLiteral("CLIENTI'"),
                              QStringLiteral("Società"),
                              QString(200, QLatin1Char('X')),
                              QString(),
                              QStringLiteral("1CLIENTI")};
    struct Operazione
    {
        const char* nome;
        const char* rifiutato; // what the box names
        std::function<void(Postazione&, const QString&)> chiama;
    } operazioni[] = {
        {"NuovoIntSuMax", "Nome di tabella",
         [](Postazione& p, const QString& n) {
             p.form.NuovoIntSuMax(p.data, p.segnalibro, p.valido, p.salva, n);
         }},
        {"NuovoIntSuGeneratore", "Nome di generatore",
         [](Postazione& p, const QString& n) {
             p.form.NuovoIntSuGeneratore(p.data, p.segnalibro, p.valido, p.salva,
                                         QStringLiteral("CLIENTI"), n);
         }},
        {"NuovoIntSuGenSQL tabella", "Nome di tabella",
         [](Postazione& p, const QString& n) {
             p.form.NuovoIntSuGenSQL(p.data, p.segnalibro, p.valido, p.salva, n,
                                     test::kGeneratoreClienti);
         }},
        {"NuovoIntSuGenSQL generatore", "Nome di generatore",
         [](Postazione& p, const QString& n) {
             p.form.NuovoIntSuGenSQL(p.data, p.segnalibro, p.valido, p.salva,
                                     QStringLiteral("CLIENTI"), n);
         }},
        {"CreaGeneratore", "Nome di generatore",
         [](Postazione& p, const QString& n) {
             EXPECT_FALSE(p.form.CreaGeneratore(p.data, p.segnalibro, p.valido, p.salva, n));
         }},
        {"SetGeneratore", "Nome di generatore",
         [](Postazione& p, const QString& n) {
             EXPECT_FALSE(p.form.SetGeneratore(p.data, p.segnalibro, p.valido, p.salva, n, 1));
         }},
        {"ValoreGeneratore", "Nome di generatore",
         [](Postazione& p, const QString& n) {
             QString v = QStringLiteral("prima");
             p.form.ValoreGeneratore(n, v);
             EXPECT_EQ(v, QString());
         }},
    };
    const qint64 utentiPrima = utenti();
    // A pending change of the window: a refused call does not even save it.
    ASSERT_TRUE(a->vaiA(2));
    ASSERT_TRUE(a->modifica(QStringLiteral("In sospeso")));
    for (const Operazione& op : operazioni) {
        for (const QString& nome : ostili) {
            SCOPED_TRACE(std::string(op.nome) + ": " + nome.left(50).toStdString());
            op.chiama(*a, nome);
            const auto& boxes = a->folder.messages.boxes();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].kind, BoxKind::Error);
            EXPECT_TRUE(boxes[0].text.startsWith(QString::fromUtf8(op.rifiutato) +
                                                 QStringLiteral(" non valido: \"")))
                << boxes[0].text.toStdString();
            EXPECT_TRUE(
                boxes[0].text.endsWith(QStringLiteral("non è stata eseguita alcuna operazione.")));
            a->folder.messages.clear();
            EXPECT_EQ(a->data.recordCount(), 3);
            EXPECT_EQ(tagPulsante(a->salva), 1) << "the window was not saved";
        }
    }
    EXPECT_EQ(test::clientiSalvati(path), kTreClienti);
    EXPECT_EQ(generatore(), 41);
    EXPECT_EQ(utenti(), utentiPrima);
    a->salvaEAggiorna();
    EXPECT_EQ(test::clientiSalvati(path),
              (QStringList{kTreClienti[0], QStringLiteral("2:In sospeso"), kTreClienti[2]}));
}

// The key field's name comes from the dataset's selection and stands bare too.
TEST_F(Generatori, AKeyFieldThatIsNoPlainNameIsRefusedBeforeTheWindowIsSaved)
{
    a->data.setSql({QStringLiteral(
        "SELECT CODICE AS \"CODICE) FROM CLIENTI; --\", NOME FROM CLIENTI ORDER BY 1")});
    a->data.open();
    setTagPulsante(a->salva, 1);
    for (int modo = 0; modo < 2; ++modo) {
        SCOPED_TRACE(modo);
        if (modo == 0)
            a->form.NuovoIntSuMax(a->data, a->segnalibro, a->valido, a->salva,
                                  QStringLiteral("CLIENTI"));
        else
            a->form.NuovoIntSuGenSQL(a->data, a->segnalibro, a->valido, a->salva,
                                     QStringLiteral("CLIENTI"), test::kGeneratoreClienti);
        ASSERT_EQ(a->folder.messages.boxes().size(), 1u);
        EXPECT_TRUE(a->folder.messages.boxes()[0].text.startsWith(
            QStringLiteral("Nome del campo chiave non valido: ")));
        a->folder.messages.clear();
        EXPECT_EQ(tagPulsante(a->salva), 1) << "the window was not saved";
    }
    EXPECT_EQ(test::clientiSalvati(path), kTreClienti);
    EXPECT_EQ(generatore(), 41);
}

TEST_F(Generatori, TwoAttachmentsInterleavedGetUniqueKeys)
{
    Postazione b(path, QStringLiteral("Giulia Bianchi"));
    test::scenarioChiaviIntercalate(*a, b, path);
}

} // namespace

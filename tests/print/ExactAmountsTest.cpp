// Amounts of NUMERIC and DECIMAL columns stay exact on their whole way: read into a dataset,
// edited and written back, read again, printed in the report with their column's decimals and
// totalled. A double on the way would print 12345678901234.5678 as "...234,57".
#include "ReportDocument.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "db/Decimal.h"
#include "db/Query.h"
#include "db/QueryDataSet.h"
#include "db/Transaction.h"
#include "db/UpdateSql.h"
#include "support/TestDatabase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace velkora;
using db::Decimal;

namespace {

struct Importo
{
    const char* nome;
    const char* grande;  // NUMERIC(18,4), as the db layer writes it as text
    const char* piccolo; // NUMERIC(9,2)
    const char* grandeStampato;
    const char* piccoloStampato;
};

const Importo kCasi[] = {
    {"Esempio", "12345678901234.5678", "1234567.89", "12.345.678.901.234,5678", "1.234.567,89"},
    {"Massimo", "99999999999999.9999", "9999999.99", "99.999.999.999.999,9999", "9.999.999,99"},
    {"Minimo", "-99999999999999.9999", "-9999999.99", "-99.999.999.999.999,9999", "-9.999.999,99"},
    {"PassoMinimo", "0.0001", "0.01", "0,0001", "0,01"},
    {"PassoMinimoNegativo", "-0.0001", "-0.01", "-0,0001", "-0,01"},
    {"Zero", "0.0000", "0.00", "0,0000", "0,00"},
    // The limits of the integers the engine keeps the units in.
    {"LimiteSuperiore", "922337203685477.5807", "21474836.47", "922.337.203.685.477,5807",
     "21.474.836,47"},
    {"LimiteInferiore", "-922337203685477.5808", "-21474836.48", "-922.337.203.685.477,5808",
     "-21.474.836,48"},
};

// The sums of the cases: the extremes cancel out, the example stays, the limits leave one step.
const char* const kTotaleGrande = "12.345.678.901.234,5677";
const char* const kTotalePiccolo = "1.234.567,88";

Decimal decimale(const char* testo)
{
    const std::optional<Decimal> d = Decimal::fromString(QString::fromUtf8(testo));
    EXPECT_TRUE(d.has_value()) << testo;
    return d.value_or(Decimal());
}

// A table of amounts with one row per case, all zero at first, and a dataset that edits it.
class ExactAmounts : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        const QString path = test::copyTemplate(dir.filePath(QStringLiteral("ditta.fdb")));
        ASSERT_FALSE(path.isEmpty());
        test::attach(database, path);
        test::exec(database, QStringLiteral("CREATE TABLE IMPORTI (CODICE INTEGER NOT NULL PRIMARY "
                                            "KEY, GRANDE NUMERIC(18,4), PICCOLO NUMERIC(9,2), "
                                            "QUANTI INTEGER, MISURA DOUBLE PRECISION)"));
        for (int i = 0; i < static_cast<int>(std::size(kCasi)); ++i)
            test::exec(database, QStringLiteral("INSERT INTO IMPORTI VALUES (%1, 0, 0, %1, 0.5)").arg(i));
        holder.modifySql() = {QStringLiteral("UPDATE IMPORTI SET GRANDE=:GRANDE, PICCOLO=:PICCOLO"),
                              QStringLiteral("WHERE CODICE=:OLD_CODICE")};
        data.setSql({QStringLiteral("SELECT CODICE, GRANDE, PICCOLO, QUANTI, MISURA FROM IMPORTI "
                                    "ORDER BY CODICE")});
        data.setUpdateObject(&holder);
    }

    QTemporaryDir dir;
    db::Database database;
    db::Transaction transaction{&database};
    db::UpdateSql holder;
    db::QueryDataSet data{&database, &transaction};
};

TEST_F(ExactAmounts, EditedReadPrintedAndTotalledWithoutLosingADigit)
{
    // The edit: each row gets its amounts through the dataset, bound as they are.
    data.open();
    for (int i = 0; i < static_cast<int>(std::size(kCasi)); ++i) {
        SCOPED_TRACE(kCasi[i].nome);
        ASSERT_TRUE(data.locate(QStringLiteral("CODICE"), QString::number(i)));
        data.edit();
        data.setField(QStringLiteral("GRANDE"), QVariant::fromValue(decimale(kCasi[i].grande)));
        data.setField(QStringLiteral("PICCOLO"), QVariant::fromValue(decimale(kCasi[i].piccolo)));
        data.post();
    }
    transaction.commit();

    // What is stored, read through a transaction of its own.
    const QStringList stored = test::rows(
        database, QStringLiteral("SELECT GRANDE, PICCOLO, QUANTI, MISURA FROM IMPORTI ORDER BY CODICE"));
    ASSERT_EQ(stored.size(), static_cast<qsizetype>(std::size(kCasi)));

    // Read again into the dataset, then into the report.
    data.open();
    vorp::ReportTable table = vorp::ReportTable::fromDataSet(data);
    vorp::ReportLayout layout = vorp::ReportLayout::allColumns(table);
    for (auto& column : layout.columns)
        column.total = true;
    const vorp::ReportDocument report(table, layout, {QStringLiteral("Importi"), QString(), QDate(2025, 1, 2)});
    for (int i = 0; i < static_cast<int>(std::size(kCasi)); ++i) {
        const Importo& c = kCasi[i];
        SCOPED_TRACE(c.nome);
        EXPECT_EQ(stored.at(i), QStringLiteral("%1|%2|%3|0.5").arg(QString::fromUtf8(c.grande),
                                                                   QString::fromUtf8(c.piccolo))
                                     .arg(i));
        ASSERT_TRUE(data.locate(QStringLiteral("CODICE"), QString::number(i)));
        const QVariant grande = data.value(QStringLiteral("GRANDE"));
        ASSERT_EQ(grande.metaType(), QMetaType::fromType<Decimal>());
        EXPECT_EQ(grande.value<Decimal>().scale(), 4);
        EXPECT_EQ(data.value(QStringLiteral("PICCOLO")).value<Decimal>().scale(), 2);
        EXPECT_EQ(data.asString(QStringLiteral("GRANDE")), QString::fromUtf8(c.grande));
        EXPECT_EQ(data.asString(QStringLiteral("PICCOLO")), QString::fromUtf8(c.piccolo));
        EXPECT_EQ(report.cellText(i, 1), QString::fromUtf8(c.grandeStampato));
        EXPECT_EQ(report.cellText(i, 2), QString::fromUtf8(c.piccoloStampato));
        // INTEGER and DOUBLE PRECISION columns keep their kinds.
        EXPECT_EQ(data.value(QStringLiteral("QUANTI")).typeId(), QMetaType::LongLong);
        EXPECT_EQ(data.value(QStringLiteral("MISURA")).typeId(), QMetaType::Double);
        EXPECT_EQ(report.cellText(i, 4), QStringLiteral("0,50"));
    }
    EXPECT_TRUE(report.numeric(1));
    EXPECT_TRUE(report.numeric(2));
    EXPECT_EQ(report.totalText(1), QString::fromUtf8(kTotaleGrande));
    EXPECT_EQ(report.totalText(2), QString::fromUtf8(kTotalePiccolo));
    EXPECT_EQ(report.totalText(3), QStringLiteral("28"));
    EXPECT_EQ(report.totalText(4), QStringLiteral("4,00"));
}

TEST_F(ExactAmounts, AnAmountWithMoreDecimalsThanItsColumnIsRefusedNotRounded)
{
    data.open();
    data.edit();
    data.setField(QStringLiteral("GRANDE"), QVariant::fromValue(Decimal(15, 1)));
    data.setField(QStringLiteral("PICCOLO"), QVariant::fromValue(Decimal(1005, 3)));
    try {
        data.post();
        FAIL() << "posted";
    } catch (const db::DbLogicError& e) {
        EXPECT_EQ(e.describe().message,
                  QStringLiteral("Il valore 1,005 del campo PICCOLO ha più decimali dei 2 che il "
                                 "campo conserva: non è stato scritto nulla."));
    }
    // Trailing zeros are no lost digit.
    data.setField(QStringLiteral("PICCOLO"), QVariant::fromValue(Decimal(1500, 3)));
    data.post();
    transaction.commit();
    EXPECT_EQ(test::rows(database, QStringLiteral("SELECT GRANDE, PICCOLO FROM IMPORTI WHERE CODICE = 0")),
              QStringList{QStringLiteral("1.5000|1.50")});
}

// The text form of an amount and back, for the values the database cannot even hold.
TEST(DecimalText, ReadsAndWritesEveryDigit)
{
    const struct
    {
        const char* testo;
        qint64 units;
        int scale;
        const char* scritto; // nullptr: refused
    } casi[] = {
        {"0", 0, 0, "0"},
        {"-0,05", -5, 2, "-0.05"},
        {" +12.50 ", 1250, 2, "12.50"},
        {"-9223372036854775808", std::numeric_limits<qint64>::min(), 0, "-9223372036854775808"},
        {"-922337203685477.5808", std::numeric_limits<qint64>::min(), 4, "-922337203685477.5808"},
        {"9223372036854775808", 0, 0, nullptr},
        {"1.000,50", 0, 0, nullptr},
        {"1e5", 0, 0, nullptr},
        {",", 0, 0, nullptr},
        {"", 0, 0, nullptr},
        {"0.0000000000000000001", 0, 0, nullptr},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.testo);
        const std::optional<Decimal> d = Decimal::fromString(QString::fromUtf8(c.testo));
        ASSERT_EQ(d.has_value(), c.scritto != nullptr);
        if (!d)
            continue;
        EXPECT_EQ(d->units(), c.units);
        EXPECT_EQ(d->scale(), c.scale);
        EXPECT_EQ(d->toString(), QString::fromUtf8(c.scritto));
    }
    EXPECT_EQ(Decimal(150, 2), Decimal(15, 1));
    EXPECT_NE(Decimal(151, 2), Decimal(15, 1));
    EXPECT_FALSE(Decimal(std::numeric_limits<qint64>::max(), 0).rescaled(1).has_value());
}

} // namespace

#include "tabx/MemTable.h"

#include <QDate>

#include <gtest/gtest.h>

using velkora::MemTable;

namespace {

// The fields of the data form's in-memory parameter table.
MemTable makeTable()
{
    MemTable t;
    t.setFields({{QStringLiteral("Codice"), MemTable::FieldType::AutoInc},
                 {QStringLiteral("Tipo"), MemTable::FieldType::String, 10},
                 {QStringLiteral("Nome"), MemTable::FieldType::String, 64},
                 {QStringLiteral("Numero"), MemTable::FieldType::LargeInt},
                 {QStringLiteral("Data"), MemTable::FieldType::Date},
                 {QStringLiteral("Memo"), MemTable::FieldType::Memo},
                 {QStringLiteral("Livello1"), MemTable::FieldType::SmallInt}});
    t.open();
    return t;
}

void addRow(MemTable& t, const QString& tipo, const QString& nome)
{
    t.append();
    t.setAsString(QStringLiteral("Tipo"), tipo);
    t.setAsString(QStringLiteral("Nome"), nome);
    t.post();
}

TEST(MemTable, AppendPostNumbersRowsAndLocateMatchesExactly)
{
    MemTable t = makeTable();
    addRow(t, QStringLiteral("TBX"), QStringLiteral("Percorso"));
    addRow(t, QStringLiteral("TBX"), QStringLiteral("percorso"));
    addRow(t, QStringLiteral("ALTRO"), QStringLiteral("Percorso"));
    EXPECT_EQ(t.recordCount(), 3);

    struct Case
    {
        const char* tipo; // empty: locate by name alone
        const char* nome;
        int codice;       // 0: not found
    } cases[] = {
        {"", "Percorso", 1}, {"", "percorso", 2}, {"", "PERCORSO", 0},
        {"ALTRO", "Percorso", 3}, {"TBX", "percorso", 2}, {"TBX", "Percorso ", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tipo) + "/" + c.nome);
        t.first();
        const bool found = *c.tipo
            ? t.locate(QStringLiteral("Tipo"), QString::fromUtf8(c.tipo), QStringLiteral("Nome"), QString::fromUtf8(c.nome))
            : t.locate(QStringLiteral("Nome"), QString::fromUtf8(c.nome));
        EXPECT_EQ(found, c.codice != 0);
        if (found) {
            EXPECT_EQ(t.asString(QStringLiteral("Codice")).toInt(), c.codice);
        }
    }
}

TEST(MemTable, EditPostCancelAndTypedText)
{
    MemTable t = makeTable();
    addRow(t, QStringLiteral("TBX"), QStringLiteral("A"));
    t.edit();
    t.setAsString(QStringLiteral("Numero"), QStringLiteral("9000000000"));
    t.setAsString(QStringLiteral("Data"), QStringLiteral("03/04/2006"));
    t.setAsString(QStringLiteral("Tipo"), QStringLiteral("12345678901234"));
    t.post();
    EXPECT_EQ(t.asString(QStringLiteral("Numero")), QStringLiteral("9000000000"));
    EXPECT_EQ(t.value(QStringLiteral("Data")).toDate(), QDate(2006, 4, 3)) << "day first";
    EXPECT_EQ(t.asString(QStringLiteral("Tipo")), QStringLiteral("1234567890")) << "cut to 10";

    t.edit();
    t.setAsString(QStringLiteral("Nome"), QStringLiteral("B"));
    t.cancel();
    EXPECT_EQ(t.asString(QStringLiteral("Nome")), QStringLiteral("A"));

    t.edit();
    EXPECT_THROW(t.setAsString(QStringLiteral("Numero"), QStringLiteral("abc")), MemTable::Error);
    EXPECT_THROW(t.setAsString(QStringLiteral("Livello1"), QStringLiteral("70000")), MemTable::Error);
    EXPECT_THROW(t.setAsString(QStringLiteral("Data"), QStringLiteral("31/02/2006")), MemTable::Error);
    EXPECT_THROW(t.asString(QStringLiteral("Inesistente")), MemTable::Error);
    t.cancel();
    EXPECT_THROW(t.setAsString(QStringLiteral("Nome"), QStringLiteral("x")), MemTable::Error)
        << "writing needs edit or append";
}

} // namespace

// The statement lines of the sessions and the call log, and the file a failed statement is saved
// to.

#include "sessions/HandleFinestra.h"
#include "sessions/SessionLog.h"
#include "support/ProgramFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace velkora;
using velkora::test::CurrentDirectory;
using velkora::test::ProgramFolder;

namespace {

const QDate kData(2006, 3, 7);
const QTime kOra(9, 5, 4);

TEST(SessionStatements, LinesAsTheFilesRecordThem)
{
    struct Case
    {
        const char* what;
        QStringList righe;
        QStringList attese;
    } cases[] = {
        {"open",
         istruzioneApriSessione(12, kData, kOra, 3),
         {"INSERT INTO NORVILOG (CODICESESSIONE,DATAAPERTURA,ORAAPERTURA,", "CODICEUTENTE) VALUES(", "'12',",
          "'03/07/2006',", "'09:05:04',", "'3')"}},
        {"check", istruzioneLeggiSessione(-5), {"SELECT * FROM NORVILOG WHERE CODICESESSIONE='-5'"}},
        {"close",
         istruzioneChiudiSessione(2147483647, QDate(2024, 12, 31), QTime(23, 59, 59)),
         {"UPDATE NORVILOG SET", "DATACHIUSURA='12/31/2024',", "ORACHIUSURA='23:59:59'",
          "WHERE CODICESESSIONE='2147483647'"}},
        {"call with window id",
         istruzioneLogFunzione(12, kData, kOra, QStringLiteral("ApriClientiX"), true, 57),
         {"INSERT INTO NORVILOGFUNZ (CODICESESSIONE,DATACHIAMATAFUNZIONE,", "ORACHIAMATAFUNZIONE,FUNZIONECHIAMATA",
          ",IDFINESTRA", ") VALUES(", "'12',", "'03/07/2006',", "'09:05:04',", "'ApriClientiX'", ",'57'", ")"}},
        {"call without window columns",
         istruzioneLogFunzione(12, kData, kOra, QStringLiteral("ApriClienti"), false, 57),
         {"INSERT INTO NORVILOGFUNZ (CODICESESSIONE,DATACHIAMATAFUNZIONE,", "ORACHIAMATAFUNZIONE,FUNZIONECHIAMATA",
          ") VALUES(", "'12',", "'03/07/2006',", "'09:05:04',", "'ApriClienti'", ")"}},
        {"quotes in the function name are doubled",
         istruzioneLogFunzione(1, kData, kOra, QStringLiteral("'; DELETE FROM UTENTI; --"), false, 0),
         {"INSERT INTO NORVILOGFUNZ (CODICESESSIONE,DATACHIAMATAFUNZIONE,", "ORACHIAMATAFUNZIONE,FUNZIONECHIAMATA",
          ") VALUES(", "'1',", "'03/07/2006',", "'09:05:04',", "'''; DELETE FROM UTENTI; --'", ")"}},
        {"handle",
         istruzioneHandleFinestra(57, -2147483647 - 1),
         {"UPDATE NORVILOGFUNZ SET HANDLEFINESTRA='-2147483648'", "WHERE IDFINESTRA='57'"}},
        {"session code", istruzioneNuovaSessione(), {"SELECT GEN_ID(CODICESESSIONENORVILOG,1) FROM RDB$DATABASE"}},
        {"window id",
         istruzioneNuovoIdFinestra(),
         {"SELECT GEN_ID(IDFINESTRANORVILOGFUNZCOUNTER,1) FROM", "RDB$DATABASE"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.righe, c.attese);
    }
}

TEST(FailedStatementFile, OneLinePerStatementLineReplacingAnOlderFile)
{
    ProgramFolder folder;
    CurrentDirectory cwd(folder.path());
    const QString path = folder.file(QStringLiteral("Ombrix.Prova.sql"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(4096, 'x'));
    }
    // Windows-1252 text with Windows line ends: "è" is byte 232, "€" byte 128, "´" byte 180.
    ASSERT_TRUE(salvaIstruzioneFallita(QStringLiteral("Ombrix.Prova.sql"),
                                       {QStringLiteral("UPDATE X SET"), QString::fromUtf8("A='è€´'"), QString()}));
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("UPDATE X SET\r\nA='\xE8\x80\xB4'\r\n\r\n"));
}

TEST(FailedStatementFile, AFolderThatCannotTakeTheFileGivesFalse)
{
    ProgramFolder folder;
    folder.makeFolder(QStringLiteral("Ombrix.Prova.sql")); // a folder where the file should go
    CurrentDirectory cwd(folder.path());
    EXPECT_FALSE(salvaIstruzioneFallita(QStringLiteral("Ombrix.Prova.sql"), {QStringLiteral("X")}));
}

} // namespace

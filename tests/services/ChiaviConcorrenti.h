#pragma once

// Two workstations adding customers with keys from one generator, their steps interleaved: run
// in-process (two attachments, embedded engine) and through the server on loopback.

#include "services/PostazioniModifica.h"

#include <QSet>

namespace velkora::test {

inline const QString kGeneratoreClienti = QStringLiteral("CLIENTICOUNTER");

// Creates the customers' generator standing at the given value.
inline void creaGeneratoreClienti(const QString& databaseName, int valore)
{
    db::Database setup;
    setup.setDatabaseName(databaseName);
    setup.params() = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quillbark")};
    setup.attach();
    exec(setup, QStringLiteral("CREATE GENERATOR ") + kGeneratoreClienti);
    exec(setup, QStringLiteral("SET GENERATOR %1 TO %2").arg(kGeneratoreClienti).arg(valore));
}

// Each workstation draws a key, names the new row, and saves now and then; the other draws in
// between, its own rows still pending. Every key is new and every row both saved is kept.
inline void scenarioChiaviIntercalate(Postazione& a, Postazione& b, const QString& databaseName)
{
    const QStringList prima = clientiSalvati(databaseName);
    QSet<qint64> chiavi;
    QStringList attese = prima;
    for (int giro = 0; giro < 6; ++giro) {
        for (Postazione* p : {&a, &b}) {
            p->form.NuovoIntSuGeneratore(p->data, p->segnalibro, p->valido, p->salva,
                                         QStringLiteral("CLIENTI"), kGeneratoreClienti);
            const qint64 chiave = p->data.asInteger(QStringLiteral("CODICE"));
            EXPECT_FALSE(chiavi.contains(chiave)) << "key " << chiave << " given twice";
            chiavi.insert(chiave);
            EXPECT_EQ(tagPulsante(p->salva), 1);
            p->data.edit();
            const QString nome =
                (p == &a ? QStringLiteral("A") : QStringLiteral("B")) + QString::number(giro);
            p->data.setField(QStringLiteral("NOME"), nome);
            p->data.post();
            attese << QString::number(chiave) + u':' + nome;
            // a saves every round, b every other round: its rows wait while a goes on.
            if (p == &a || giro % 2 == 1)
                p->salvaEAggiorna();
        }
    }
    b.salvaEAggiorna();
    EXPECT_EQ(chiavi.size(), 12);
    for (qint64 k = 42; k < 54; ++k)
        EXPECT_TRUE(chiavi.contains(k)) << k;
    std::sort(attese.begin(), attese.end(), [](const QString& x, const QString& y) {
        return x.section(u':', 0, 0).toLongLong() < y.section(u':', 0, 0).toLongLong();
    });
    EXPECT_EQ(clientiSalvati(databaseName), attese);
    EXPECT_TRUE(a.folder.messages.boxes().empty());
    EXPECT_TRUE(b.folder.messages.boxes().empty());
}

} // namespace velkora::test

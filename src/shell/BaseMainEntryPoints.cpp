// The calls of the main window into module libraries, for the user of its data form.

#include "dispatch/ChiamateModulo.h"
#include "shell/BaseMain.h"

namespace velkora {

void TBaseMainForm::CaricaFunzioneDLL(const QString& libreria, const QString& funzione)
{
    ChiamateModulo(*tabX()).CaricaFunzioneDLL(libreria, funzione);
}

void TBaseMainForm::CaricaFunzioneDLL2(const QString& libreria, const QString& funzione,
                                       const QString& parametri)
{
    ChiamateModulo(*tabX()).CaricaFunzioneDLL2(libreria, funzione, parametri);
}

void TBaseMainForm::CaricaFunzioneDLLX(const QString& libreria, const QString& funzione,
                                       qint32 idFinestra)
{
    ChiamateModulo(*tabX()).CaricaFunzioneDLLX(libreria, funzione, idFinestra);
}

void TBaseMainForm::CaricaFunzioneDLL2X(const QString& libreria, const QString& funzione,
                                        const QString& parametri, qint32 idFinestra)
{
    ChiamateModulo(*tabX()).CaricaFunzioneDLL2X(libreria, funzione, parametri, idFinestra);
}

void TBaseMainForm::CaricaFunzioneDLL3Y(const QString& libreria, const QString& funzione,
                                        const QString& parametri, qint32 idFinestra)
{
    ChiamateModulo(*tabX()).CaricaFunzioneDLL3Y(libreria, funzione, parametri, idFinestra);
}

} // namespace velkora

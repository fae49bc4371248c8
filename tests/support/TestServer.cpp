#include "support/TestServer.h"

#include <QtGlobal>

namespace velkora::test {

bool serverTestsEnabled()
{
    return !qEnvironmentVariableIsEmpty("VELKORA_SERVER_TESTS");
}

QString testServer()
{
    const QString address = qEnvironmentVariable("VELKORA_TEST_SERVER").trimmed();
    return address.isEmpty() ? QStringLiteral("localhost") : address;
}

QString serverDatabaseName(const QString& path)
{
    return testServer() + QLatin1Char(':') + path;
}

} // namespace velkora::test

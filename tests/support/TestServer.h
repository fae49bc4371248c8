#pragma once

#include <QString>

namespace velkora::test {

// Whether the tests through the Firebird server on loopback run: scripts/test.sh starts the
// server and sets VELKORA_SERVER_TESTS.
bool serverTestsEnabled();

// The address the tests reach the server by: VELKORA_TEST_SERVER ("localhost/3051" for the
// instance of scripts/fbserver.sh), plain "localhost" (the standard port) when it is unset.
QString testServer();

// The name of a database file on the test server: "localhost/3051:/tmp/x/user.fdb".
QString serverDatabaseName(const QString& path);

} // namespace velkora::test

#pragma once

#include <QString>

namespace velkora::db {

class Database;
class Transaction;

// Runs one statement without parameters and without results in the given transaction (started
// when it is not active), in a single call to the engine: no statement is prepared and kept, so a
// statement run once with its values written in costs one round trip instead of two. The
// transaction counts as written. Text the database cannot hold is refused before anything runs;
// a lost attachment is attached again first, and a failure is noted on the database and thrown
// as DbError, as a query's are.
void executeAtOnce(Database& database, Transaction& transaction, const QString& statement);

} // namespace velkora::db

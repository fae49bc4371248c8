#pragma once

#include <QDate>
#include <QDateTime>

#include <vector>

namespace velkora {

namespace db {
class Query;
}

// How a user has used one menu item lately, read from his call log.
struct UsoVoce
{
    qint32 programma = 0;
    qint32 menu = 0;
    // Calls since the first day asked for.
    int volte = 0;
    // The latest call (date and time of the workstation that made it).
    QDateTime ultimo;
};

// The menu items the user called since `dal` (included), on any workstation: every call-log row
// of his sessions that names its item (PROGRAMMA and MENU). One statement, run after a restart
// of the query's transaction so that the calls just made elsewhere are counted. The rows come in
// the order of ordinaUsi. Database errors go to the caller.
std::vector<UsoVoce> leggiUsiVoci(db::Query& query, qint32 utente, const QDate& dal);

// The order of the recent items: the day of the latest call, newest first; on the same day the
// item called more often first; then the later call first. So the items of today come before
// yesterday's, and among a day's items those used all day long lead.
void ordinaUsi(std::vector<UsoVoce>& usi);

} // namespace velkora

#include "db/FbClient.h"

#include "db/DbError.h"
#include "platform/TextCodec.h"

#include <vector>

namespace velkora::db::detail {

QString statusMessage(const ISC_STATUS* status)
{
    QStringList lines;
    const ISC_STATUS* vector = status;
    char buffer[1024];
    while (fb_interpret(buffer, sizeof buffer, &vector) > 0)
        lines << platform::fromCp1252(QByteArray(buffer));
    return lines.join(QLatin1Char('\n'));
}

void raise(const ISC_STATUS* status)
{
    std::vector<long> codes;
    int systemError = 0;
    for (const ISC_STATUS* p = status; *p != isc_arg_end;) {
        const ISC_STATUS kind = *p++;
        if (kind == isc_arg_gds)
            codes.push_back(static_cast<long>(*p++));
        else if (kind == isc_arg_unix && systemError == 0)
            systemError = static_cast<int>(*p++);
        else if (kind == isc_arg_cstring)
            p += 2;
        else
            ++p;
    }
    char state[6] = {};
    fb_sqlstate(state, status);
    throw DbError(statusMessage(status), static_cast<int>(isc_sqlcode(status)), std::move(codes),
                  QString::fromLatin1(state), systemError);
}

unsigned short sqlLength(const QByteArray& sql)
{
    if (sql.size() <= 0xFFFF)
        return static_cast<unsigned short>(sql.size());
    if (sql.contains('\0'))
        throw DbLogicError::refused(
            QStringLiteral("Istruzione SQL non eseguita: contiene un carattere nullo ed è "
                           "più lunga di 65535 byte."));
    return 0;
}

void check(const ISC_STATUS* status)
{
    if (status[0] == 1 && status[1] != 0)
        raise(status);
}

} // namespace velkora::db::detail

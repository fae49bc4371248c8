#include "db/Query.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/FbClient.h"
#include "db/Transaction.h"
#include "platform/TextCodec.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <cstring>
#include <ctime>

namespace velkora::db {

using platform::fromCp1252;
using platform::toCp1252;

namespace {

constexpr unsigned short kDialect = SQL_DIALECT_V6;

struct XsqldaDeleter
{
    void operator()(XSQLDA* p) const { std::free(p); }
};
using XsqldaPtr = std::unique_ptr<XSQLDA, XsqldaDeleter>;

XsqldaPtr makeXsqlda(int count)
{
    const int n = count < 1 ? 1 : count;
    auto* p = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(n)));
    p->version = SQLDA_VERSION1;
    p->sqln = static_cast<ISC_SHORT>(n);
    return XsqldaPtr(p);
}

// Replaces each ":NAME" outside literals, quoted names and comments by "?" and lists the names
// in order, so named parameters can be bound to the client's positional markers.
QString translateParams(const QString& text, std::vector<QString>& names)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            out += c;
            for (++i; i < n; ++i) {
                out += text.at(i);
                if (text.at(i) == c) {
                    if (i + 1 < n && text.at(i + 1) == c) {
                        out += text.at(++i);
                        continue;
                    }
                    break;
                }
            }
        } else if (c == QLatin1Char('-') && i + 1 < n && text.at(i + 1) == QLatin1Char('-')) {
            const qsizetype end = text.indexOf(QLatin1Char('\n'), i);
            const qsizetype stop = end < 0 ? n : end;
            out += text.mid(i, stop - i);
            i = stop - 1;
        } else if (c == QLatin1Char('/') && i + 1 < n && text.at(i + 1) == QLatin1Char('*')) {
            const qsizetype end = text.indexOf(QLatin1String("*/"), i + 2);
            const qsizetype stop = end < 0 ? n : end + 2;
            out += text.mid(i, stop - i);
            i = stop - 1;
        } else if (c == QLatin1Char(':') && i + 1 < n
                   && (text.at(i + 1).isLetter() || text.at(i + 1) == QLatin1Char('_'))) {
            qsizetype j = i + 1;
            while (j < n && (text.at(j).isLetterOrNumber() || text.at(j) == QLatin1Char('_')
                             || text.at(j) == QLatin1Char('$')))
                ++j;
            names.push_back(text.mid(i + 1, j - i - 1));
            out += QLatin1Char('?');
            i = j - 1;
        } else {
            out += c;
        }
    }
    return out;
}

QDate decodeDate(ISC_DATE d)
{
    struct tm t = {};
    isc_decode_sql_date(&d, &t);
    return QDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
}

QTime decodeTime(ISC_TIME v)
{
    struct tm t = {};
    isc_decode_sql_time(&v, &t);
    const int ms = static_cast<int>((v % 10000) / 10);
    return QTime(t.tm_hour, t.tm_min, t.tm_sec, ms);
}

ISC_DATE encodeDate(const QDate& d)
{
    struct tm t = {};
    t.tm_year = d.year() - 1900;
    t.tm_mon = d.month() - 1;
    t.tm_mday = d.day();
    ISC_DATE out = 0;
    isc_encode_sql_date(&t, &out);
    return out;
}

ISC_TIME encodeTime(const QTime& time)
{
    struct tm t = {};
    t.tm_hour = time.hour();
    t.tm_min = time.minute();
    t.tm_sec = time.second();
    ISC_TIME out = 0;
    isc_encode_sql_time(&t, &out);
    return out + static_cast<ISC_TIME>(time.msec() * 10);
}

qint64 scaledInteger(qint64 v, short scale, QVariant& out)
{
    if (scale == 0) {
        out = QVariant(v);
        return v;
    }
    double d = static_cast<double>(v);
    for (short s = scale; s < 0; ++s)
        d /= 10.0;
    out = QVariant(d);
    return v;
}

} // namespace

// The prepared statement and the buffers that carry values to and from the client.
struct Query::Statement
{
    isc_stmt_handle handle = 0;
    quint64 generation = 0;
    QByteArray preparedText;
    int type = 0;
    XsqldaPtr out;
    XsqldaPtr in;
    std::vector<QByteArray> outBuffers;
    std::vector<short> outNulls;
    std::vector<QString> paramNames;
    std::vector<short> inTypes; // parameter types as described, before a run rewrites them

    void release(Database* db)
    {
        if (handle != 0 && db && db->attached() && db->generation() == generation) {
            ISC_STATUS_ARRAY status;
            isc_dsql_free_statement(status, &handle, DSQL_drop);
        }
        handle = 0;
        preparedText.clear();
    }
};

Query::Query(Database* database, Transaction* transaction)
    : m_database(database)
    , m_transaction(transaction)
{
}

Query::~Query()
{
    if (m_statement)
        m_statement->release(m_database);
}

void Query::setDatabase(Database* database)
{
    if (database == m_database)
        return;
    close();
    if (m_statement)
        m_statement->release(m_database);
    m_database = database;
}

void Query::setTransaction(Transaction* transaction)
{
    close();
    m_transaction = transaction;
}

Transaction* Query::transaction() const
{
    if (m_transaction)
        return m_transaction;
    return m_database ? m_database->defaultTransaction() : nullptr;
}

void Query::clear()
{
    close();
    m_lines.clear();
    m_params.clear();
}

void Query::add(const QString& line)
{
    close();
    m_lines << line;
}

void Query::setSql(const QStringList& lines)
{
    close();
    m_lines = lines;
    m_params.clear();
}

QString Query::sqlText() const
{
    return m_lines.join(QLatin1Char('\n'));
}

void Query::setParam(const QString& name, const QVariant& value)
{
    for (auto& p : m_params) {
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    }
    m_params.emplace_back(name, value);
}

void Query::clearParams()
{
    m_params.clear();
}

void Query::open()
{
    close();
    run(true);
    m_open = true;
    m_current = 0;
}

void Query::execSql()
{
    close();
    run(false);
}

void Query::close()
{
    m_open = false;
    m_rows.clear();
    m_columns.clear();
    m_current = 0;
}

void Query::first()
{
    m_current = 0;
}

void Query::next()
{
    if (m_current < recordCount())
        ++m_current;
}

bool Query::eof() const
{
    return m_current >= recordCount();
}

QString Query::fieldName(int index) const
{
    if (index < 0 || index >= fieldCount())
        throw DbLogicError(QStringLiteral("no field %1").arg(index));
    return m_columns[static_cast<std::size_t>(index)].name;
}

int Query::fieldIndex(const QString& name) const
{
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

int Query::requireIndex(const QString& name) const
{
    const int i = fieldIndex(name);
    if (i < 0)
        throw DbLogicError(QStringLiteral("field not found: ") + name);
    return i;
}

const QVariant& Query::cell(int index) const
{
    if (!m_open || eof())
        throw DbLogicError(QStringLiteral("no current row"));
    if (index < 0 || index >= fieldCount())
        throw DbLogicError(QStringLiteral("no field %1").arg(index));
    return m_rows[static_cast<std::size_t>(m_current)][static_cast<std::size_t>(index)];
}

bool Query::isNull(int index) const
{
    return cell(index).isNull();
}

bool Query::isNull(const QString& name) const
{
    return isNull(requireIndex(name));
}

QVariant Query::value(int index) const
{
    return cell(index);
}

QVariant Query::value(const QString& name) const
{
    return value(requireIndex(name));
}

QString Query::asString(int index) const
{
    return valueToText(cell(index));
}

QString Query::asString(const QString& name) const
{
    return asString(requireIndex(name));
}

qint64 Query::asInteger(int index) const
{
    const QVariant& v = cell(index);
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::QString) {
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok);
        return ok ? n : 0;
    }
    if (v.typeId() == QMetaType::Double)
        return static_cast<qint64>(v.toDouble());
    return v.toLongLong();
}

qint64 Query::asInteger(const QString& name) const
{
    return asInteger(requireIndex(name));
}

int Query::rowsAffected()
{
    if (!m_statement || m_statement->handle == 0)
        return 0;
    const char items[] = {isc_info_sql_records};
    char buffer[64] = {};
    ISC_STATUS_ARRAY status;
    isc_dsql_sql_info(status, &m_statement->handle, sizeof items, items, sizeof buffer, buffer);
    detail::check(status);
    int total = 0;
    if (buffer[0] != isc_info_sql_records)
        return 0;
    const char* p = buffer + 3;
    while (*p != isc_info_end) {
        const char item = *p++;
        const short len = static_cast<short>(isc_vax_integer(p, 2));
        p += 2;
        const long count = isc_vax_integer(p, len);
        p += len;
        if (item == isc_info_req_insert_count || item == isc_info_req_update_count
            || item == isc_info_req_delete_count)
            total += static_cast<int>(count);
    }
    return total;
}

void Query::run(bool wantRows)
{
    (void)wantRows;
    if (!m_database)
        throw DbLogicError(QStringLiteral("query without a database"));
    if (!m_database->attached())
        throw DbLogicError(QStringLiteral("query on a detached database"));
    Transaction* tr = transaction();
    if (!tr)
        throw DbLogicError(QStringLiteral("query without a transaction"));
    tr->ensureStarted();

    if (!m_statement)
        m_statement = std::make_unique<Statement>();
    Statement& st = *m_statement;
    auto* db = static_cast<isc_db_handle*>(m_database->nativeHandle());
    ISC_STATUS_ARRAY status;

    if (st.handle != 0 && st.generation != m_database->generation()) {
        st.handle = 0; // went away with the earlier attachment
        st.preparedText.clear();
    }

    std::vector<QString> names;
    const QByteArray text = toCp1252(translateParams(sqlText(), names));
    if (st.handle == 0 || st.preparedText != text) {
        if (st.handle == 0) {
            isc_dsql_allocate_statement(status, db, &st.handle);
            detail::check(status);
            st.generation = m_database->generation();
        }
        st.preparedText.clear();
        st.out = makeXsqlda(20);
        isc_dsql_prepare(status, tr->nativeHandle(), &st.handle, detail::sqlLength(text),
                         text.constData(), kDialect, st.out.get());
        detail::check(status);
        if (st.out->sqld > st.out->sqln) {
            st.out = makeXsqlda(st.out->sqld);
            isc_dsql_describe(status, &st.handle, kDialect, st.out.get());
            detail::check(status);
        }
        const char typeItem[] = {isc_info_sql_stmt_type};
        char info[16] = {};
        isc_dsql_sql_info(status, &st.handle, sizeof typeItem, typeItem, sizeof info, info);
        detail::check(status);
        st.type = 0;
        if (info[0] == isc_info_sql_stmt_type) {
            const short len = static_cast<short>(isc_vax_integer(info + 1, 2));
            st.type = static_cast<int>(isc_vax_integer(info + 3, len));
        }
        st.in = makeXsqlda(10);
        isc_dsql_describe_bind(status, &st.handle, kDialect, st.in.get());
        detail::check(status);
        if (st.in->sqld > st.in->sqln) {
            st.in = makeXsqlda(st.in->sqld);
            isc_dsql_describe_bind(status, &st.handle, kDialect, st.in.get());
            detail::check(status);
        }
        // Output buffers, laid out once per prepared statement.
        const int nOut = st.out->sqld;
        st.outBuffers.assign(static_cast<std::size_t>(nOut), QByteArray());
        st.outNulls.assign(static_cast<std::size_t>(nOut), 0);
        for (int i = 0; i < nOut; ++i) {
            XSQLVAR& v = st.out->sqlvar[i];
            const int size = v.sqllen + ((v.sqltype & ~1) == SQL_VARYING ? 2 : 0) + 8;
            st.outBuffers[static_cast<std::size_t>(i)] = QByteArray(size, '\0');
            v.sqldata = st.outBuffers[static_cast<std::size_t>(i)].data();
            v.sqlind = &st.outNulls[static_cast<std::size_t>(i)];
        }
        st.paramNames = names;
        st.inTypes.clear();
        for (int i = 0; i < st.in->sqld; ++i)
            st.inTypes.push_back(static_cast<short>(st.in->sqlvar[i].sqltype & ~1));
        st.preparedText = text;
    }

    // Input values: each is handed over in its own natural type and the engine converts it to
    // the parameter's type; a text bound to a blob parameter becomes a new blob.
    const int nIn = st.in->sqld;
    if (static_cast<std::size_t>(nIn) != st.paramNames.size())
        throw DbLogicError(QStringLiteral("parameter markers do not match their names"));
    std::vector<QByteArray> inBuffers(static_cast<std::size_t>(nIn));
    std::vector<short> inNulls(static_cast<std::size_t>(nIn), 0);
    for (int i = 0; i < nIn; ++i) {
        XSQLVAR& v = st.in->sqlvar[i];
        const QString& name = st.paramNames[static_cast<std::size_t>(i)];
        const QVariant* value = nullptr;
        for (const auto& p : m_params) {
            if (p.first.compare(name, Qt::CaseInsensitive) == 0)
                value = &p.second;
        }
        if (!value)
            throw DbLogicError(QStringLiteral("parameter not set: ") + name);
        QByteArray& buf = inBuffers[static_cast<std::size_t>(i)];
        short& ind = inNulls[static_cast<std::size_t>(i)];
        const bool targetBlob = st.inTypes[static_cast<std::size_t>(i)] == SQL_BLOB;
        v.sqlind = &ind;
        if (value->isNull()) {
            ind = -1;
            v.sqltype = static_cast<ISC_SHORT>(v.sqltype | 1);
            buf = QByteArray(v.sqllen + 8, '\0');
            v.sqldata = buf.data();
            continue;
        }
        v.sqltype = static_cast<ISC_SHORT>((v.sqltype & ~1) | 1);
        if (targetBlob) {
            const QByteArray bytes = value->typeId() == QMetaType::QByteArray
                ? value->toByteArray()
                : toCp1252(valueToText(*value));
            ISC_QUAD id = {};
            isc_blob_handle blob = 0;
            isc_create_blob2(status, db, tr->nativeHandle(), &blob, &id, 0, nullptr);
            detail::check(status);
            for (qsizetype pos = 0; pos < bytes.size(); pos += 32000) {
                const auto len = static_cast<unsigned short>(std::min<qsizetype>(32000, bytes.size() - pos));
                isc_put_segment(status, &blob, len, bytes.constData() + pos);
                if (status[0] == 1 && status[1] != 0) {
                    ISC_STATUS_ARRAY ignored;
                    isc_cancel_blob(ignored, &blob);
                    detail::raise(status);
                }
            }
            isc_close_blob(status, &blob);
            detail::check(status);
            buf = QByteArray(reinterpret_cast<const char*>(&id), sizeof id);
            v.sqltype = SQL_BLOB + 1;
            v.sqllen = sizeof(ISC_QUAD);
            v.sqldata = buf.data();
            continue;
        }
        switch (value->typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort: {
            const qint64 n = value->toLongLong();
            buf = QByteArray(reinterpret_cast<const char*>(&n), sizeof n);
            v.sqltype = SQL_INT64 + 1;
            v.sqlscale = 0;
            v.sqllen = sizeof n;
            break;
        }
        case QMetaType::Double: {
            const double d = value->toDouble();
            buf = QByteArray(reinterpret_cast<const char*>(&d), sizeof d);
            v.sqltype = SQL_DOUBLE + 1;
            v.sqlscale = 0;
            v.sqllen = sizeof d;
            break;
        }
        case QMetaType::QDate: {
            const ISC_DATE d = encodeDate(value->toDate());
            buf = QByteArray(reinterpret_cast<const char*>(&d), sizeof d);
            v.sqltype = SQL_TYPE_DATE + 1;
            v.sqllen = sizeof d;
            break;
        }
        case QMetaType::QTime: {
            const ISC_TIME t = encodeTime(value->toTime());
            buf = QByteArray(reinterpret_cast<const char*>(&t), sizeof t);
            v.sqltype = SQL_TYPE_TIME + 1;
            v.sqllen = sizeof t;
            break;
        }
        case QMetaType::QDateTime: {
            const QDateTime dt = value->toDateTime();
            ISC_TIMESTAMP ts = {encodeDate(dt.date()), encodeTime(dt.time())};
            buf = QByteArray(reinterpret_cast<const char*>(&ts), sizeof ts);
            v.sqltype = SQL_TIMESTAMP + 1;
            v.sqllen = sizeof ts;
            break;
        }
        default: {
            buf = value->typeId() == QMetaType::QByteArray ? value->toByteArray()
                                                          : toCp1252(valueToText(*value));
            if (buf.size() > 32765)
                throw DbLogicError(QStringLiteral("text parameter too long for a non-blob column: ") + name);
            v.sqltype = SQL_TEXT + 1;
            v.sqlsubtype = 0;
            v.sqllen = static_cast<ISC_SHORT>(buf.size());
            break;
        }
        }
        if (buf.isEmpty())
            buf = QByteArray(1, '\0');
        v.sqldata = buf.data();
    }

    XSQLDA* inDa = nIn > 0 ? st.in.get() : nullptr;
    const bool isSelect = st.type == isc_info_sql_stmt_select
        || st.type == isc_info_sql_stmt_select_for_upd;
    m_columns.clear();
    m_rows.clear();
    if (!isSelect) {
        XSQLDA* outDa = st.out->sqld > 0 ? st.out.get() : nullptr;
        isc_dsql_execute2(status, tr->nativeHandle(), &st.handle, kDialect, inDa, outDa);
        detail::check(status);
        if (!outDa)
            return;
    } else {
        isc_dsql_execute(status, tr->nativeHandle(), &st.handle, kDialect, inDa);
        detail::check(status);
    }

    const int nOut = st.out->sqld;
    for (int i = 0; i < nOut; ++i) {
        const XSQLVAR& v = st.out->sqlvar[i];
        Column c;
        c.name = fromCp1252(v.aliasname, v.aliasname_length);
        c.type = static_cast<short>(v.sqltype & ~1);
        c.subType = v.sqlsubtype;
        c.scale = v.sqlscale;
        c.length = v.sqllen;
        m_columns.push_back(c);
    }

    auto decodeRow = [&]() {
        std::vector<QVariant> row(static_cast<std::size_t>(nOut));
        for (int i = 0; i < nOut; ++i) {
            const XSQLVAR& v = st.out->sqlvar[i];
            QVariant& out = row[static_cast<std::size_t>(i)];
            if ((v.sqltype & 1) && *v.sqlind < 0)
                continue;
            const char* data = v.sqldata;
            switch (v.sqltype & ~1) {
            case SQL_VARYING: {
                short len = 0;
                std::memcpy(&len, data, 2);
                out = fromCp1252(data + 2, len);
                break;
            }
            case SQL_TEXT: {
                qsizetype len = v.sqllen;
                while (len > 0 && data[len - 1] == ' ')
                    --len;
                out = fromCp1252(data, len);
                break;
            }
            case SQL_SHORT: {
                short n = 0;
                std::memcpy(&n, data, sizeof n);
                scaledInteger(n, v.sqlscale, out);
                break;
            }
            case SQL_LONG: {
                ISC_LONG n = 0;
                std::memcpy(&n, data, sizeof n);
                scaledInteger(n, v.sqlscale, out);
                break;
            }
            case SQL_INT64: {
                ISC_INT64 n = 0;
                std::memcpy(&n, data, sizeof n);
                scaledInteger(n, v.sqlscale, out);
                break;
            }
            case SQL_FLOAT: {
                float f = 0;
                std::memcpy(&f, data, sizeof f);
                out = static_cast<double>(f);
                break;
            }
            case SQL_DOUBLE:
            case SQL_D_FLOAT: {
                double d = 0;
                std::memcpy(&d, data, sizeof d);
                out = d;
                break;
            }
            case SQL_TYPE_DATE: {
                ISC_DATE d = 0;
                std::memcpy(&d, data, sizeof d);
                out = decodeDate(d);
                break;
            }
            case SQL_TYPE_TIME: {
                ISC_TIME t = 0;
                std::memcpy(&t, data, sizeof t);
                out = decodeTime(t);
                break;
            }
            case SQL_TIMESTAMP: {
                ISC_TIMESTAMP ts = {};
                std::memcpy(&ts, data, sizeof ts);
                out = QDateTime(decodeDate(ts.timestamp_date), decodeTime(ts.timestamp_time));
                break;
            }
            case SQL_BOOLEAN:
                out = (*data != 0);
                break;
            case SQL_BLOB: {
                ISC_QUAD id = {};
                std::memcpy(&id, data, sizeof id);
                isc_blob_handle blob = 0;
                isc_open_blob2(status, db, tr->nativeHandle(), &blob, &id, 0, nullptr);
                detail::check(status);
                QByteArray bytes;
                char segment[32768];
                for (;;) {
                    unsigned short got = 0;
                    const ISC_STATUS rc = isc_get_segment(status, &blob, &got, sizeof segment, segment);
                    if (rc == 0 || rc == isc_segment) {
                        bytes.append(segment, got);
                        continue;
                    }
                    if (rc == isc_segstr_eof)
                        break;
                    ISC_STATUS_ARRAY ignored;
                    isc_close_blob(ignored, &blob);
                    detail::raise(status);
                }
                isc_close_blob(status, &blob);
                if (v.sqlsubtype == 1)
                    out = fromCp1252(bytes);
                else
                    out = bytes;
                break;
            }
            default:
                throw DbLogicError(QStringLiteral("unsupported column type %1").arg(v.sqltype));
            }
        }
        m_rows.push_back(std::move(row));
    };

    if (!isSelect) {
        decodeRow(); // the one row an EXECUTE PROCEDURE returns
        return;
    }
    for (;;) {
        const ISC_STATUS rc = isc_dsql_fetch(status, &st.handle, kDialect, st.out.get());
        if (rc == 100)
            break;
        if (rc != 0) {
            ISC_STATUS_ARRAY ignored;
            isc_dsql_free_statement(ignored, &st.handle, DSQL_close);
            m_rows.clear();
            detail::raise(status);
        }
        decodeRow();
    }
    isc_dsql_free_statement(status, &st.handle, DSQL_close);
    detail::check(status);
}

QString valueToText(const QVariant& value)
{
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case QMetaType::QTime:
        return value.toTime().toString(QStringLiteral("hh:mm:ss"));
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 15);
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::QByteArray:
        return fromCp1252(value.toByteArray());
    default:
        return value.toString();
    }
}

} // namespace velkora::db

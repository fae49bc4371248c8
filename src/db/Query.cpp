#include "db/Query.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Decimal.h"
#include "db/FbClient.h"
#include "db/SqlLexer.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "platform/TextCodec.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <utility>

namespace velkora::db {

using platform::fromCp1252;

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
    for (const SqlPiece& piece : sqlPieces(text)) {
        if (piece.kind == SqlPiece::Kind::Parameter) {
            names.push_back(text.mid(piece.start + 1, piece.length - 1));
            out += QLatin1Char('?');
        } else {
            out += QStringView(text).mid(piece.start, piece.length);
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

// A NUMERIC or DECIMAL column (negative scale) keeps its units and scale exactly; a plain
// integer column stays an integer.
void scaledInteger(qint64 v, short scale, QVariant& out)
{
    if (scale == 0)
        out = QVariant(v);
    else
        out = QVariant::fromValue(Decimal(v, -scale));
}


// A blob handle that is closed on every way out: a blob being written that did not reach its
// close() is cancelled, so no half-written blob stays with the transaction.
class BlobHandle
{
public:
    BlobHandle() = default;
    ~BlobHandle()
    {
        if (m_handle == 0)
            return;
        ISC_STATUS_ARRAY ignored;
        if (m_writing)
            isc_cancel_blob(ignored, &m_handle);
        else
            isc_close_blob(ignored, &m_handle);
    }
    BlobHandle(const BlobHandle&) = delete;
    BlobHandle& operator=(const BlobHandle&) = delete;

    void create(isc_db_handle* db, isc_tr_handle* tr, ISC_QUAD& id)
    {
        ISC_STATUS_ARRAY status;
        isc_create_blob2(status, db, tr, &m_handle, &id, 0, nullptr);
        detail::check(status);
        m_writing = true;
    }

    void open(isc_db_handle* db, isc_tr_handle* tr, ISC_QUAD& id)
    {
        ISC_STATUS_ARRAY status;
        isc_open_blob2(status, db, tr, &m_handle, &id, 0, nullptr);
        detail::check(status);
        m_writing = false;
    }

    void write(const QByteArray& bytes)
    {
        ISC_STATUS_ARRAY status;
        for (qsizetype pos = 0; pos < bytes.size(); pos += kSegment) {
            const auto len =
                static_cast<unsigned short>(std::min<qsizetype>(kSegment, bytes.size() - pos));
            isc_put_segment(status, &m_handle, len, bytes.constData() + pos);
            detail::check(status);
        }
    }

    QByteArray readAll()
    {
        QByteArray bytes;
        char segment[32768];
        ISC_STATUS_ARRAY status;
        for (;;) {
            unsigned short got = 0;
            const ISC_STATUS rc = isc_get_segment(status, &m_handle, &got, sizeof segment, segment);
            if (rc == isc_segstr_eof)
                return bytes;
            if (rc != 0 && rc != isc_segment)
                detail::raise(status);
            bytes.append(segment, got);
        }
    }

    void close()
    {
        ISC_STATUS_ARRAY status;
        isc_close_blob(status, &m_handle);
        detail::check(status);
        m_handle = 0;
    }

private:
    static constexpr qsizetype kSegment = 32000;
    isc_blob_handle m_handle = 0;
    bool m_writing = false;
};

// Writes the bytes into a new blob of the transaction and gives its id.
ISC_QUAD writeBlob(isc_db_handle* db, isc_tr_handle* tr, const QByteArray& bytes)
{
    ISC_QUAD id = {};
    BlobHandle blob;
    blob.create(db, tr, id);
    blob.write(bytes);
    blob.close();
    return id;
}

QByteArray readBlob(isc_db_handle* db, isc_tr_handle* tr, ISC_QUAD id)
{
    BlobHandle blob;
    blob.open(db, tr, id);
    QByteArray bytes = blob.readAll();
    blob.close();
    return bytes;
}

// The cursor of an executed selection, closed on every way out, so that a failure while rows
// are fetched or decoded leaves the statement ready to run again.
class OpenCursor
{
public:
    explicit OpenCursor(isc_stmt_handle* statement)
        : m_statement(statement)
    {
    }
    ~OpenCursor()
    {
        if (m_statement) {
            ISC_STATUS_ARRAY ignored;
            isc_dsql_free_statement(ignored, m_statement, DSQL_close);
        }
    }
    OpenCursor(const OpenCursor&) = delete;
    OpenCursor& operator=(const OpenCursor&) = delete;

    void close()
    {
        isc_stmt_handle* statement = std::exchange(m_statement, nullptr);
        ISC_STATUS_ARRAY status;
        isc_dsql_free_statement(status, statement, DSQL_close);
        detail::check(status);
    }

private:
    isc_stmt_handle* m_statement;
};

// One output value from the client's buffer.
QVariant decodeValue(const XSQLVAR& v, isc_db_handle* db, isc_tr_handle* tr)
{
    QVariant out;
    if ((v.sqltype & 1) && *v.sqlind < 0)
        return out;
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
        const QByteArray bytes = readBlob(db, tr, id);
        if (v.sqlsubtype == 1)
            out = fromCp1252(bytes);
        else
            out = bytes;
        break;
    }
    default:
        throw DbLogicError(QStringLiteral("unsupported column type %1").arg(v.sqltype));
    }
    return out;
}

// Points the input variable at a value held in buf: each value is handed over in its own natural
// type and the engine converts it to the parameter's type.
void encodeValue(XSQLVAR& v, const QVariant& value, const QString& name, QByteArray& buf)
{
    if (value.metaType() == QMetaType::fromType<Decimal>()) {
        const Decimal d = value.value<Decimal>();
        const qint64 units = d.units();
        buf = QByteArray(reinterpret_cast<const char*>(&units), sizeof units);
        v.sqltype = SQL_INT64 + 1;
        v.sqlscale = static_cast<ISC_SHORT>(-d.scale());
        v.sqllen = sizeof units;
        v.sqldata = buf.data();
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort: {
        const qint64 n = value.toLongLong();
        buf = QByteArray(reinterpret_cast<const char*>(&n), sizeof n);
        v.sqltype = SQL_INT64 + 1;
        v.sqlscale = 0;
        v.sqllen = sizeof n;
        break;
    }
    case QMetaType::Double: {
        const double d = value.toDouble();
        buf = QByteArray(reinterpret_cast<const char*>(&d), sizeof d);
        v.sqltype = SQL_DOUBLE + 1;
        v.sqlscale = 0;
        v.sqllen = sizeof d;
        break;
    }
    case QMetaType::QDate: {
        const ISC_DATE d = encodeDate(value.toDate());
        buf = QByteArray(reinterpret_cast<const char*>(&d), sizeof d);
        v.sqltype = SQL_TYPE_DATE + 1;
        v.sqllen = sizeof d;
        break;
    }
    case QMetaType::QTime: {
        const ISC_TIME t = encodeTime(value.toTime());
        buf = QByteArray(reinterpret_cast<const char*>(&t), sizeof t);
        v.sqltype = SQL_TYPE_TIME + 1;
        v.sqllen = sizeof t;
        break;
    }
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        ISC_TIMESTAMP ts = {encodeDate(dt.date()), encodeTime(dt.time())};
        buf = QByteArray(reinterpret_cast<const char*>(&ts), sizeof ts);
        v.sqltype = SQL_TIMESTAMP + 1;
        v.sqllen = sizeof ts;
        break;
    }
    default: {
        buf = value.typeId() == QMetaType::QByteArray ? value.toByteArray()
                                                      : storableBytes(valueToText(value), name);
        if (buf.size() > 32765)
            throw DbLogicError(QStringLiteral("text parameter too long for a non-blob column: ")
                               + name);
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

} // namespace

// The prepared statement and the buffers that carry values to and from the client.
struct Query::Statement
{
    // The client handles one run works with.
    struct Handles
    {
        isc_db_handle* db;
        isc_tr_handle* tr;
    };
    // The input values of one run; the descriptors point into these buffers.
    struct Inputs
    {
        std::vector<QByteArray> buffers;
        std::vector<short> nulls;
    };

    isc_stmt_handle handle = 0;
    quint64 generation = 0;
    // A selection read in part keeps its cursor open until its last row is read.
    bool cursorOpen = false;
    QByteArray preparedText;
    int type = 0;
    XsqldaPtr out;
    XsqldaPtr in;
    std::vector<QByteArray> outBuffers;
    std::vector<short> outNulls;
    std::vector<QString> paramNames;
    std::vector<short> inTypes; // parameter types as described, before a run rewrites them
    std::vector<short> inScales; // and their scales (negative for NUMERIC and DECIMAL)

    void release(Database* db)
    {
        if (handle != 0 && db && db->attached() && db->generation() == generation) {
            ISC_STATUS_ARRAY status;
            isc_dsql_free_statement(status, &handle, DSQL_drop);
        }
        handle = 0;
        cursorOpen = false;
        preparedText.clear();
    }

    bool isSelect() const
    {
        return type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd;
    }

    // Prepares the text unless it is the one already prepared on this attachment.
    void prepareIfChanged(const Handles& h, const QByteArray& text, std::vector<QString> names,
                          quint64 currentGeneration)
    {
        if (handle != 0 && generation != currentGeneration) {
            handle = 0; // went away with the earlier attachment
            preparedText.clear();
        }
        if (handle != 0 && preparedText == text)
            return;
        ISC_STATUS_ARRAY status;
        if (handle == 0) {
            isc_dsql_allocate_statement(status, h.db, &handle);
            detail::check(status);
            generation = currentGeneration;
        }
        preparedText.clear();
        out = makeXsqlda(20);
        isc_dsql_prepare(status, h.tr, &handle, detail::sqlLength(text), text.constData(), kDialect,
                         out.get());
        detail::check(status);
        if (out->sqld > out->sqln) {
            out = makeXsqlda(out->sqld);
            isc_dsql_describe(status, &handle, kDialect, out.get());
            detail::check(status);
        }
        type = statementType();
        in = makeXsqlda(10);
        isc_dsql_describe_bind(status, &handle, kDialect, in.get());
        detail::check(status);
        if (in->sqld > in->sqln) {
            in = makeXsqlda(in->sqld);
            isc_dsql_describe_bind(status, &handle, kDialect, in.get());
            detail::check(status);
        }
        layOutOutputs();
        paramNames = std::move(names);
        inTypes.clear();
        inScales.clear();
        for (int i = 0; i < in->sqld; ++i) {
            inTypes.push_back(static_cast<short>(in->sqlvar[i].sqltype & ~1));
            inScales.push_back(in->sqlvar[i].sqlscale);
        }
        preparedText = text;
    }

    int statementType()
    {
        const char typeItem[] = {isc_info_sql_stmt_type};
        char info[16] = {};
        ISC_STATUS_ARRAY status;
        isc_dsql_sql_info(status, &handle, sizeof typeItem, typeItem, sizeof info, info);
        detail::check(status);
        if (info[0] != isc_info_sql_stmt_type)
            return 0;
        const short len = static_cast<short>(isc_vax_integer(info + 1, 2));
        return static_cast<int>(isc_vax_integer(info + 3, len));
    }

    // Output buffers, laid out once per prepared statement.
    void layOutOutputs()
    {
        const auto n = static_cast<std::size_t>(out->sqld);
        outBuffers.assign(n, QByteArray());
        outNulls.assign(n, 0);
        for (std::size_t i = 0; i < n; ++i) {
            XSQLVAR& v = out->sqlvar[i];
            const int size = v.sqllen + ((v.sqltype & ~1) == SQL_VARYING ? 2 : 0) + 8;
            outBuffers[i] = QByteArray(size, '\0');
            v.sqldata = outBuffers[i].data();
            v.sqlind = &outNulls[i];
        }
    }

    // Points the input descriptors at the parameter values; a text bound to a blob parameter
    // becomes a new blob. Gives the descriptor to execute with (none without parameters).
    XSQLDA* bind(const Handles& h, const std::vector<std::pair<QString, QVariant>>& params,
                 Inputs& inputs)
    {
        const int nIn = in->sqld;
        if (static_cast<std::size_t>(nIn) != paramNames.size())
            throw DbLogicError(QStringLiteral("parameter markers do not match their names"));
        inputs.buffers.assign(static_cast<std::size_t>(nIn), QByteArray());
        inputs.nulls.assign(static_cast<std::size_t>(nIn), 0);
        for (int i = 0; i < nIn; ++i) {
            const auto k = static_cast<std::size_t>(i);
            XSQLVAR& v = in->sqlvar[i];
            const QString& name = paramNames[k];
            const QVariant* value = nullptr;
            for (const auto& p : params) {
                if (p.first.compare(name, Qt::CaseInsensitive) == 0)
                    value = &p.second;
            }
            if (!value)
                throw DbLogicError(QStringLiteral("parameter not set: ") + name);
            QByteArray& buf = inputs.buffers[k];
            short& ind = inputs.nulls[k];
            v.sqlind = &ind;
            if (value->isNull()) {
                ind = -1;
                v.sqltype = static_cast<ISC_SHORT>(v.sqltype | 1);
                buf = QByteArray(v.sqllen + 8, '\0');
                v.sqldata = buf.data();
                continue;
            }
            v.sqltype = static_cast<ISC_SHORT>((v.sqltype & ~1) | 1);
            if (inTypes[k] == SQL_BLOB) {
                const QByteArray bytes = value->typeId() == QMetaType::QByteArray
                    ? value->toByteArray()
                    : storableBytes(valueToText(*value), name);
                const ISC_QUAD id = writeBlob(h.db, h.tr, bytes);
                buf = QByteArray(reinterpret_cast<const char*>(&id), sizeof id);
                v.sqltype = SQL_BLOB + 1;
                v.sqllen = sizeof(ISC_QUAD);
                v.sqldata = buf.data();
                continue;
            }
            if (value->metaType() == QMetaType::fromType<Decimal>())
                requireFits(value->value<Decimal>(), k, name);
            encodeValue(v, *value, name, buf);
        }
        return nIn > 0 ? in.get() : nullptr;
    }

    // The engine would round an amount with more decimals than its column keeps: refused.
    void requireFits(const Decimal& d, std::size_t k, const QString& name) const
    {
        const short type = inTypes[k];
        if (type != SQL_SHORT && type != SQL_LONG && type != SQL_INT64)
            return;
        const int decimals = -inScales[k];
        if (d.scale() <= decimals || d.rescaled(decimals))
            return;
        throw DbLogicError::refused(
            QStringLiteral("Il valore %1 del campo %2 ha più decimali dei %3 che il campo "
                           "conserva: non è stato scritto nulla.")
                .arg(d.toString(QLatin1Char(',')), name)
                .arg(decimals));
    }

    std::vector<Query::Column> columns() const
    {
        std::vector<Query::Column> list;
        for (int i = 0; i < out->sqld; ++i) {
            const XSQLVAR& v = out->sqlvar[i];
            Query::Column c;
            c.name = fromCp1252(v.aliasname, v.aliasname_length);
            c.type = static_cast<short>(v.sqltype & ~1);
            c.subType = v.sqlsubtype;
            c.scale = v.sqlscale;
            c.length = v.sqllen;
            list.push_back(c);
        }
        return list;
    }

    std::vector<QVariant> decodeRow(const Handles& h) const
    {
        std::vector<QVariant> row;
        row.reserve(static_cast<std::size_t>(out->sqld));
        for (int i = 0; i < out->sqld; ++i)
            row.push_back(decodeValue(out->sqlvar[i], h.db, h.tr));
        return row;
    }

    // Runs a selection and reads at most `limit` of its rows (all of them when negative). With
    // rows left the cursor stays open, for fetch() to read on.
    std::vector<std::vector<QVariant>> fetchFirst(const Handles& h, XSQLDA* inputs, int limit)
    {
        closeCursor();
        ISC_STATUS_ARRAY status;
        isc_dsql_execute(status, h.tr, &handle, kDialect, inputs);
        detail::check(status);
        cursorOpen = true;
        return fetch(h, limit);
    }

    // Reads on from the open cursor, at most `limit` rows (all when negative); the cursor closes
    // after the last row.
    std::vector<std::vector<QVariant>> fetch(const Handles& h, int limit)
    {
        std::vector<std::vector<QVariant>> rows;
        ISC_STATUS_ARRAY status;
        while (limit < 0 || static_cast<int>(rows.size()) < limit) {
            const ISC_STATUS rc = isc_dsql_fetch(status, &handle, kDialect, out.get());
            if (rc == 100) {
                cursorOpen = false;
                isc_dsql_free_statement(status, &handle, DSQL_close);
                detail::check(status);
                break;
            }
            if (rc != 0) {
                closeCursor();
                detail::raise(status);
            }
            rows.push_back(decodeRow(h));
        }
        return rows;
    }

    // Lets an open cursor go (its rows unread); nothing to do without one.
    void closeCursor()
    {
        if (!cursorOpen)
            return;
        cursorOpen = false;
        ISC_STATUS_ARRAY ignored;
        isc_dsql_free_statement(ignored, &handle, DSQL_close);
    }

    // Runs any other statement; an EXECUTE PROCEDURE gives its one row of results.
    std::vector<std::vector<QVariant>> executeOnce(const Handles& h, XSQLDA* inputs)
    {
        XSQLDA* outDa = out->sqld > 0 ? out.get() : nullptr;
        ISC_STATUS_ARRAY status;
        isc_dsql_execute2(status, h.tr, &handle, kDialect, inputs, outDa);
        detail::check(status);
        std::vector<std::vector<QVariant>> rows;
        if (outDa)
            rows.push_back(decodeRow(h));
        return rows;
    }
};

Query::Query(Database* database, Transaction* transaction)
    : m_link(database, transaction)
{
    // The prepared statement belongs to the attachment: it goes with its database.
    m_link.onDatabaseGone = [this] {
        if (m_statement)
            m_statement->release(nullptr);
    };
}

Query::~Query()
{
    if (m_statement)
        m_statement->release(m_link.database());
}

void Query::setDatabase(Database* database)
{
    if (database == m_link.database())
        return;
    close();
    if (m_statement)
        m_statement->release(m_link.database());
    m_link.setDatabase(database);
}

void Query::setTransaction(Transaction* transaction)
{
    close();
    m_link.setTransaction(transaction);
}

std::vector<std::vector<QVariant>> Query::takeRows()
{
    std::vector<std::vector<QVariant>> rows = std::move(m_rows);
    close();
    return rows;
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
    // A selection in a transaction that has written nothing is safe to run again on a new
    // attachment; one after a write is not, since the write would be gone unseen.
    const Transaction* t = transaction();
    const bool repeatable = m_link.database() && !(t && t->active() && t->wrote());
    if (repeatable)
        m_link.database()->repeatable([this] { watched([this] { run(); }); });
    else
        watched([this] { run(); });
    m_open = true;
    m_current = 0;
}

void Query::execSql()
{
    close();
    watched([this] { run(); });
    // An executable procedure or block gives back one row of results, read like a selection.
    m_open = !m_rows.empty();
}

void Query::watched(const std::function<void()>& work)
{
    if (m_link.database())
        m_link.database()->reattachIfLost();
    try {
        work();
    } catch (DbError& error) {
        if (m_link.database())
            m_link.database()->noteFailure(error);
        throw;
    }
}

void Query::openPartial(int rows)
{
    m_limit = std::max(rows, 1);
    try {
        open();
    } catch (...) {
        m_limit = -1;
        throw;
    }
    m_limit = -1;
}

bool Query::moreRows() const
{
    return m_statement && m_statement->cursorOpen;
}

std::vector<std::vector<QVariant>> Query::fetchMore(int rows)
{
    if (!moreRows())
        return {};
    Transaction* tr = transaction();
    if (!m_link.database() || !m_link.database()->attached() || !tr || !tr->active()) {
        // The transaction ended under the cursor (a commit, a lost connection): its rows can no
        // longer be read, and the caller must read them again.
        m_statement->cursorOpen = false;
        throw DbLogicError::refused(QStringLiteral(
            "La lettura delle righe si è interrotta prima della fine: aggiornare l'elenco."));
    }
    std::vector<std::vector<QVariant>> more;
    watched([&] {
        const Statement::Handles handles{
            static_cast<isc_db_handle*>(m_link.database()->nativeHandle()),
            tr->nativeHandle()};
        more = m_statement->fetch(handles, rows);
    });
    return more;
}

std::vector<std::vector<QVariant>> Query::takeRowsSoFar()
{
    return std::move(m_rows);
}

void Query::close()
{
    if (m_statement)
        m_statement->closeCursor();
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
    if (v.metaType() == QMetaType::fromType<Decimal>())
        return v.value<Decimal>().integerPart();
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

void Query::run()
{
    m_link.requireAlive();
    if (!m_link.database())
        throw DbLogicError(QStringLiteral("query without a database"));
    if (!m_link.database()->attached())
        throw DbLogicError::notAttached(QStringLiteral("query on a detached database"));
    Transaction* tr = transaction();
    if (!tr)
        throw DbLogicError(QStringLiteral("query without a transaction"));
    tr->ensureStarted();

    if (!m_statement)
        m_statement = std::make_unique<Statement>();
    Statement& st = *m_statement;
    const Statement::Handles handles{static_cast<isc_db_handle*>(m_link.database()->nativeHandle()),
                                     tr->nativeHandle()};
    std::vector<QString> names;
    const QByteArray text = storableBytes(translateParams(sqlText(), names), QString());
    st.prepareIfChanged(handles, text, std::move(names), m_link.database()->generation());

    if (!st.isSelect())
        tr->noteWrite();
    Statement::Inputs inputs;
    XSQLDA* inDa = st.bind(handles, m_params, inputs);
    m_columns.clear();
    m_rows.clear();
    // The rows are kept only when all of them were read and decoded.
    std::vector<std::vector<QVariant>> rows =
        st.isSelect() ? st.fetchFirst(handles, inDa, m_limit) : st.executeOnce(handles, inDa);
    if (st.isSelect() || !rows.empty())
        m_columns = st.columns();
    m_rows = std::move(rows);
}

QString valueToText(const QVariant& value)
{
    if (value.isNull())
        return QString();
    if (value.metaType() == QMetaType::fromType<Decimal>())
        return value.value<Decimal>().toString();
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

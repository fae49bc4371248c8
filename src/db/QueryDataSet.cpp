#include "db/QueryDataSet.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Transaction.h"
#include "db/Decimal.h"
#include "db/Query.h"
#include "db/UpdateSql.h"

#include <algorithm>

namespace velkora::db {

namespace {

const QString kOldPrefix = QStringLiteral("OLD_");

} // namespace

QueryDataSet::QueryDataSet(Database* database, Transaction* transaction)
    : m_link(database, transaction)
{
}

QueryDataSet::~QueryDataSet()
{
    setUpdateObject(nullptr);
}

void QueryDataSet::setDatabase(Database* database)
{
    if (database == m_link.database())
        return;
    close();
    m_writer.reset(); // its prepared statement belongs to the old connection
    m_link.setDatabase(database);
}

void QueryDataSet::setTransaction(Transaction* transaction)
{
    close();
    m_link.setTransaction(transaction);
    if (m_writer)
        m_writer->setTransaction(transaction);
}

void QueryDataSet::clear()
{
    close();
    m_lines.clear();
    m_params.clear();
}

void QueryDataSet::add(const QString& line)
{
    close();
    m_lines << line;
}

void QueryDataSet::setSql(const QStringList& lines)
{
    close();
    m_lines = lines;
    m_params.clear();
}

void QueryDataSet::setParam(const QString& name, const QVariant& value)
{
    for (auto& p : m_params) {
        if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    }
    m_params.emplace_back(name, value);
}

void QueryDataSet::open()
{
    prepareOpen();
    close();
    m_link.requireAlive();
    auto select = std::make_unique<Query>(m_link.database(), m_link.givenTransaction());
    select->setSql(m_lines);
    for (const auto& [name, value] : m_params)
        select->setParam(name, value);
    if (m_pageSize > 0)
        select->openPartial(m_pageSize);
    else
        select->open();

    QStringList fields;
    for (int i = 0; i < select->fieldCount(); ++i)
        fields << select->fieldName(i);
    m_rows = select->takeRowsSoFar();
    if (select->moreRows())
        m_reader = std::move(select);
    m_fields = std::move(fields);
    m_current = 0;
    m_state = State::Browse;
}

bool QueryDataSet::fetchMore(int rows)
{
    if (!m_reader)
        return false;
    std::vector<std::vector<QVariant>> more;
    try {
        more = m_reader->fetchMore(rows);
    } catch (...) {
        m_reader.reset();
        throw;
    }
    m_rows.insert(m_rows.end(), std::make_move_iterator(more.begin()),
                  std::make_move_iterator(more.end()));
    if (!m_reader->moreRows())
        m_reader.reset();
    return m_reader != nullptr;
}

void QueryDataSet::fetchAll()
{
    while (fetchMore(-1)) {
    }
}

void QueryDataSet::close()
{
    m_reader.reset();
    m_state = State::Inactive;
    m_fields.clear();
    m_rows.clear();
    m_buffer.clear();
    m_current = 0;
}

void QueryDataSet::requireBrowse(const char* what) const
{
    if (m_state == State::Inactive)
        throw DbLogicError(QStringLiteral("%1 on a closed dataset").arg(QLatin1String(what)));
    if (m_state != State::Browse)
        throw DbLogicError(QStringLiteral("%1 while a row is being edited: post or cancel first")
                               .arg(QLatin1String(what)));
}

void QueryDataSet::first()
{
    requireBrowse("first");
    m_current = 0;
}

void QueryDataSet::next()
{
    requireBrowse("next");
    if (m_current < recordCount())
        ++m_current;
    // Past the last row read: the next page, so that walking the rows reaches them all.
    if (m_current >= recordCount() && m_reader)
        fetchMore(std::max(m_pageSize, 1000));
}

bool QueryDataSet::eof() const
{
    return m_current >= recordCount();
}

bool QueryDataSet::locate(const QString& field, const QString& text)
{
    requireBrowse("locate");
    const auto i = static_cast<std::size_t>(requireIndex(field));
    // Rows not read yet are read a page at a time until the row is found.
    std::size_t r = 0;
    do {
        for (; r < m_rows.size(); ++r) {
            if (valueToText(m_rows[r][i]) == text) {
                m_current = static_cast<int>(r);
                return true;
            }
        }
    } while (fetchMore(std::max(m_pageSize, 1000)) || r < m_rows.size());
    return false;
}

QString QueryDataSet::fieldName(int index) const
{
    if (index < 0 || index >= fieldCount())
        throw DbLogicError(QStringLiteral("no field %1").arg(index));
    return m_fields.at(index);
}

int QueryDataSet::fieldIndex(const QString& name) const
{
    for (int i = 0; i < fieldCount(); ++i) {
        if (m_fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int QueryDataSet::requireIndex(const QString& name) const
{
    if (m_state == State::Inactive)
        throw DbLogicError(QStringLiteral("field ") + name + QStringLiteral(" of a closed dataset"));
    const int i = fieldIndex(name);
    if (i < 0)
        throw DbLogicError(QStringLiteral("field not found: ") + name);
    return i;
}

const QVariant& QueryDataSet::cell(int index) const
{
    if (m_state == State::Edit || m_state == State::Insert)
        return m_buffer[static_cast<std::size_t>(index)];
    if (eof())
        throw DbLogicError(QStringLiteral("no current row"));
    return m_rows[static_cast<std::size_t>(m_current)][static_cast<std::size_t>(index)];
}

const QVariant& QueryDataSet::valueAt(int row, int field) const
{
    if (row < 0 || row >= recordCount() || field < 0 || field >= fieldCount())
        throw DbLogicError(QStringLiteral("no row %1 or field %2").arg(row).arg(field));
    return m_rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(field)];
}

bool QueryDataSet::isNull(const QString& name) const
{
    return cell(requireIndex(name)).isNull();
}

QVariant QueryDataSet::value(const QString& name) const
{
    return cell(requireIndex(name));
}

QString QueryDataSet::asString(const QString& name) const
{
    return valueToText(cell(requireIndex(name)));
}

qint64 QueryDataSet::asInteger(const QString& name) const
{
    const QVariant& v = cell(requireIndex(name));
    if (v.isNull())
        return 0;
    switch (v.typeId()) {
    case QMetaType::QString: {
        bool ok = false;
        const qint64 n = v.toString().trimmed().toLongLong(&ok);
        return ok ? n : 0;
    }
    case QMetaType::Double:
        return static_cast<qint64>(v.toDouble());
    default:
        if (v.metaType() == QMetaType::fromType<Decimal>())
            return v.value<Decimal>().integerPart();
        return v.toLongLong();
    }
}

void QueryDataSet::edit()
{
    if (m_state == State::Edit)
        return;
    requireBrowse("edit");
    if (eof())
        throw DbLogicError(QStringLiteral("edit without a current row"));
    m_buffer = m_rows[static_cast<std::size_t>(m_current)];
    m_state = State::Edit;
}

void QueryDataSet::append()
{
    requireBrowse("append");
    m_buffer.assign(static_cast<std::size_t>(fieldCount()), QVariant());
    m_state = State::Insert;
}

void QueryDataSet::setField(const QString& name, const QVariant& value)
{
    const int i = requireIndex(name);
    if (m_state != State::Edit && m_state != State::Insert)
        throw DbLogicError(QStringLiteral("setting field ") + name
                           + QStringLiteral(" outside edit or append"));
    m_buffer[static_cast<std::size_t>(i)] = value;
}

void QueryDataSet::requireCurrentRows() const
{
    m_link.requireAlive();
    const Transaction* t = transaction();
    if (t && t->snapshotLost())
        throw DbError::staleRows(m_link.database() ? m_link.database()->databaseName() : QString());
}

void QueryDataSet::post()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    // Every row is read before a write: the rows still to come could otherwise show the written
    // row a second time.
    fetchAll();
    const bool inserting = m_state == State::Insert;
    const char* kind = inserting ? "insert" : "modify";
    if (!m_updateObject)
        throw DbLogicError(QStringLiteral("post without an update-statement holder: no %1 statement")
                               .arg(QLatin1String(kind)));
    const QStringList& lines = inserting ? m_updateObject->insertSql() : m_updateObject->modifySql();
    if (lines.join(QString()).trimmed().isEmpty())
        throw DbLogicError(QStringLiteral("post with an empty %1 statement in the update-statement holder")
                               .arg(QLatin1String(kind)));

    requireCurrentRows();
    if (!m_writer)
        m_writer = std::make_unique<Query>(m_link.database(), m_link.givenTransaction());
    Query& writer = *m_writer;
    writer.setSql(lines);
    // The old values first, so that a field really named OLD_X still wins for ":OLD_X".
    for (int i = 0; i < fieldCount(); ++i) {
        const QVariant old = inserting ? QVariant() : m_rows[static_cast<std::size_t>(m_current)][static_cast<std::size_t>(i)];
        writer.setParam(kOldPrefix + m_fields.at(i), old);
    }
    for (int i = 0; i < fieldCount(); ++i)
        writer.setParam(m_fields.at(i), m_buffer[static_cast<std::size_t>(i)]);
    writer.execSql();
    m_rowsAffected = writer.rowsAffected();
    if (!inserting && m_rowsAffected == 0) {
        // Another user deleted the row since it was read. Nothing was written; the row leaves
        // the rows too, so that it is neither shown nor written again as if it still existed.
        const QString key = m_fields.isEmpty() ? QString() : valueToText(m_rows[static_cast<std::size_t>(m_current)][0]);
        m_buffer.clear();
        m_rows.erase(m_rows.begin() + m_current);
        m_state = State::Browse;
        throw RecordDeleted(QStringLiteral("The modify statement changed no row (%1 = %2).")
                                .arg(m_fields.value(0), key));
    }

    if (inserting) {
        m_rows.push_back(std::move(m_buffer));
        m_current = recordCount() - 1;
    } else {
        m_rows[static_cast<std::size_t>(m_current)] = std::move(m_buffer);
    }
    m_buffer.clear();
    m_state = State::Browse;
}

bool QueryDataSet::modified() const
{
    if (m_state == State::Insert)
        return std::any_of(m_buffer.begin(), m_buffer.end(), [](const QVariant& v) { return !v.isNull(); });
    if (m_state == State::Edit)
        return m_buffer != m_rows[static_cast<std::size_t>(m_current)];
    return false;
}

void QueryDataSet::cancel()
{
    if (m_state != State::Edit && m_state != State::Insert)
        return;
    m_buffer.clear();
    m_state = State::Browse;
}

int QueryDataSet::remove()
{
    requireBrowse("delete");
    fetchAll();
    if (eof())
        throw DbLogicError(QStringLiteral("delete without a current row"));
    if (!m_updateObject || m_updateObject->deleteSql().join(QString()).trimmed().isEmpty())
        throw DbLogicError(QStringLiteral("delete without a delete statement in the update-statement holder"));

    requireCurrentRows();
    if (!m_writer)
        m_writer = std::make_unique<Query>(m_link.database(), m_link.givenTransaction());
    Query& writer = *m_writer;
    writer.setSql(m_updateObject->deleteSql());
    const auto& current = m_rows[static_cast<std::size_t>(m_current)];
    for (int i = 0; i < fieldCount(); ++i) {
        writer.setParam(kOldPrefix + m_fields.at(i), current[static_cast<std::size_t>(i)]);
        writer.setParam(m_fields.at(i), current[static_cast<std::size_t>(i)]);
    }
    writer.execSql();
    m_rowsAffected = writer.rowsAffected();
    m_rows.erase(m_rows.begin() + m_current);
    return m_rowsAffected;
}

void QueryDataSet::setUpdateObject(UpdateSql* holder)
{
    if (holder == m_updateObject)
        return;
    if (m_updateObject)
        m_updateObject->m_dataSet = nullptr;
    if (holder && holder->m_dataSet)
        holder->m_dataSet->setUpdateObject(nullptr); // a holder serves one dataset at a time
    m_updateObject = holder;
    if (holder)
        holder->m_dataSet = this;
}

} // namespace velkora::db

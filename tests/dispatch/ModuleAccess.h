#pragma once

#include "modules/TestModule.h"
#include "platform/DynamicLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <gtest/gtest.h>

namespace velkora::test {

// Copies a built test module to path (folders made as needed). Every copy is a file of its
// own, so the process loads it as a library of its own with its own record.
inline bool copyModule(const QString& from, const QString& path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile::remove(path);
    const bool copied = QFile::copy(from, path);
    if (!copied)
        ADD_FAILURE() << "cannot copy " << from.toStdString() << " to " << path.toStdString();
    return copied;
}

// The record of the test module loaded from file; null when that file is not loaded (asking
// for it must not load it, or a test could not tell that a call never reached it).
inline const ModuleRecord* recordOf(const QString& file)
{
    using platform::DynamicLibrary;
    DynamicLibrary::Handle library = DynamicLibrary::loaded(file);
    if (!library)
        return nullptr;
    const auto read = reinterpret_cast<ModuleRecordFunction>(DynamicLibrary::function(library, kModuleRecordExport));
    return read ? read() : nullptr;
}

// Clears the record of a loaded test module.
inline void resetModule(const QString& file)
{
    using platform::DynamicLibrary;
    DynamicLibrary::Handle library = DynamicLibrary::loaded(file);
    ASSERT_NE(library, nullptr) << file.toStdString() << " is not loaded";
    const auto reset = reinterpret_cast<ModuleResetFunction>(DynamicLibrary::function(library, kModuleResetExport));
    ASSERT_NE(reset, nullptr) << file.toStdString();
    reset();
}

} // namespace velkora::test

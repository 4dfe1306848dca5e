#pragma once

#include <QString>
#include <QStringList>

/// Checks of the data tree when a program starts, for trees on a network share that may be
/// missing, read-only or copied only in part. Each check reads the catalogue once and tries
/// a write only where the program itself would write; nothing of the tree is changed.
namespace datatree {

struct Finding
{
    /// What is wrong, naming the folders or files, for a message box; empty when all is well.
    QString message;
    /// True when the program cannot run safely on this tree (it should say so and end).
    bool fatal = false;

    bool ok() const { return message.isEmpty(); }
};

/// True when a file can be made (and is removed again) in folder.
bool canWriteIn(const QString &folder);

/// For the teacher's program, which writes the catalogue, the tests and the results. Fatal:
/// a data root that cannot be written, or tests and results without a catalogue (a save would
/// treat their folders as new). Not fatal: listed tests whose files are missing.
Finding checkForTeacher();

/// For the student's program, which writes only the answer records of the open tests. Fatal:
/// tests or results without a catalogue, or no open test whose result folder can be written.
/// Not fatal: some open tests whose file or result folder is missing or cannot be written.
Finding checkForStudent();

} // namespace datatree

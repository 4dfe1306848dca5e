#pragma once

#include <QString>
#include <QStringList>

/// Checks of class and paper names typed by a user.
///
/// A name serves as a catalogue key, a section name, a folder name and part of a file name,
/// so some names would break the data tree or share keys and files with another entry.
namespace names {

enum class Kind { Class, Paper };

/// Empty when the name may be used; otherwise a message for the user that says why not.
/// name is checked as trimmed; existing holds the names already listed.
QString problem(Kind kind, const QString &name, const QStringList &existing);

} // namespace names

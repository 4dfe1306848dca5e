#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

/// A fresh data root for one test: a temporary folder that the programs take as their
/// program folder, removed afterwards. The programs' work folders go to a second temporary
/// folder, so tests that run side by side never share one, and QStandardPaths is put in test
/// mode so that no test touches the user's own folders.
class TestDataRoot final
{
public:
    TestDataRoot();
    ~TestDataRoot();
    TestDataRoot(const TestDataRoot &) = delete;
    TestDataRoot &operator=(const TestDataRoot &) = delete;

    QString path() const { return m_dir.path(); }
    /// The folder below which the work folders of this test lie.
    QString workBase() const { return m_work.path(); }
    /// path() joined with a relative path.
    QString file(const QString &relative) const;

    /// Writes bytes to a file below the root, making its folders.
    void write(const QString &relative, const QByteArray &bytes) const;
    QByteArray read(const QString &relative) const;
    bool exists(const QString &relative) const;

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_work;
};

/// The keys of one section of a profile file, in the order they stand in the file.
QStringList keysOf(const QByteArray &file, const QByteArray &section);

/// The control of that object name below window. A missing control ends the test program at
/// once, naming it, so that a renamed control never lets a test pass by accident.
template<typename T>
T *requireChild(const QWidget *window, const QString &name)
{
    T *found = window ? window->findChild<T *>(name) : nullptr;
    if (!found)
        qFatal("no control %s", qPrintable(name));
    return found;
}

/// Closes and deletes every top-level widget (so that no test leaves a window open).
void closeAllWindows();

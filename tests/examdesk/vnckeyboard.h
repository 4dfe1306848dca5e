#pragma once

#include <QByteArray>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

/// Just enough of a VNC viewer to press keys in a program that runs on Qt's VNC platform.
class VncKeyboard
{
public:
    bool connectTo(quint16 port)
    {
        m_socket.abort();
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        if (!m_socket.waitForConnected(1000))
            return false;
        // Qt's server speaks version 3.3, in which it chooses the security type: 1 = none.
        const QByteArray version = read(12);
        if (version != "RFB 003.003\n")
            return false;
        m_socket.write(version);
        if (readNumber(4) != 1)
            return false;
        m_socket.write(QByteArray(1, '\x01')); // shared session
        const QByteArray init = read(24);      // size, pixel format, name length
        if (init.size() != 24)
            return false;
        read(int(qFromBigEndian<quint32>(init.constData() + 20)));
        return true;
    }

    /// Presses and releases one key (an X keysym: Latin-1 characters stand for themselves).
    void press(quint32 keysym)
    {
        send(keysym, true);
        send(keysym, false);
    }

    /// Presses a key with Alt held down.
    void pressWithAlt(quint32 keysym)
    {
        send(AltKey, true);
        press(keysym);
        send(AltKey, false);
    }

    /// Types text of Latin-1 characters, key by key.
    void type(const QString &text)
    {
        for (const QChar c : text)
            press(c.unicode());
    }

    static constexpr quint32 EnterKey = 0xff0d;
    static constexpr quint32 TabKey = 0xff09;
    static constexpr quint32 PageUpKey = 0xff55;
    static constexpr quint32 PageDownKey = 0xff56;
    static constexpr quint32 AltKey = 0xffe9;

private:
    void send(quint32 keysym, bool down)
    {
        QByteArray event(8, '\0');
        event[0] = 4;
        event[1] = down ? 1 : 0;
        qToBigEndian(keysym, event.data() + 4);
        m_socket.write(event);
        m_socket.flush();
    }

    QByteArray read(int size)
    {
        QByteArray bytes;
        while (bytes.size() < size) {
            if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(5000))
                break;
            bytes += m_socket.read(size - bytes.size());
        }
        return bytes;
    }
    quint32 readNumber(int size)
    {
        quint32 value = 0;
        for (const char c : read(size))
            value = (value << 8) | quint8(c);
        return value;
    }

    QTcpSocket m_socket;
};

/// A free port on the loopback interface.
inline quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

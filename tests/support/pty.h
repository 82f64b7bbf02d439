#pragma once

#include <QByteArray>
#include <QString>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal standing in for the cable: the control opens the slave by path, the test plays
// the far end on the master.
class CPty {
public:
    CPty() {
        char name[128] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0) {
            path = QString::fromLocal8Bit(name);
            ::fcntl(m_master, F_SETFL, O_NONBLOCK);
        }
    }
    ~CPty() {
        CloseMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    void CloseMaster() {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    void Write(const QByteArray& bytes) {
        for (qsizetype done = 0; done < bytes.size();) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            else if (!Poll(POLLOUT, 5000))
                return;
        }
    }
    // Whether bytes written on the master have reached the slave's input queue, waiting up to `ms`.
    bool SlaveHasInput(int ms) {
        pollfd pfd{m_slave, POLLIN, 0};
        return ::poll(&pfd, 1, ms) > 0 && (pfd.revents & POLLIN);
    }
    // What the far end has received so far, waiting up to `ms` for the first byte.
    QByteArray ReadSome(int ms) {
        QByteArray out;
        char buf[65536];
        while (Poll(POLLIN, out.isEmpty() ? ms : 0)) {
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n <= 0)
                break;
            out.append(buf, n);
        }
        return out;
    }
#ifdef Q_OS_LINUX
    // The output speed as the kernel holds it, custom rates included (the termios2 request).
    int SlaveSpeed() const {
        struct {
            tcflag_t iflag, oflag, cflag, lflag;
            cc_t line, cc[19];
            speed_t ispeed, ospeed;
        } tio2{};
        return ::ioctl(m_slave, _IOR('T', 0x2A, tio2), &tio2) == 0 ? int(tio2.ospeed) : -1;
    }
#endif
    termios SlaveTermios() const {
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        return tio;
    }

    int MasterFd() const { return m_master; }
    CPty(const CPty&) = delete;
    CPty& operator=(const CPty&) = delete;

    QString path;

private:
    bool Poll(short events, int ms) {
        pollfd pfd{m_master, events, 0};
        return ::poll(&pfd, 1, ms) > 0 && (pfd.revents & events);
    }
    int m_master = -1;
    int m_slave = -1;
};

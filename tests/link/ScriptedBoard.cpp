#include "ScriptedBoard.h"

ScriptedBoard::ScriptedBoard()
{
    m_peer.onReceived([this](const QByteArray& bytes) { take(bytes); });
}

void ScriptedBoard::take(const QByteArray& bytes)
{
    m_raw += bytes;
    m_pending += bytes;
    for (;;) {
        if (m_pending.startsWith(':')) {
            const qsizetype end = m_pending.indexOf("\r\n");
            if (end < 0)
                return;
            Frame f;
            f.ascii = m_pending.left(end + 2);
            m_pending.remove(0, end + 2);
            m_frames << f;
            if (m_answer)
                m_answer(m_frames.last());
            continue;
        }
        if (m_pending.size() >= 2 && m_pending.startsWith("\x10\x02")) {
            QByteArray body;
            qsizetype i = 2;
            bool complete = false;
            while (i + 1 < m_pending.size()) {
                const auto c = static_cast<std::uint8_t>(m_pending[i]);
                const auto n = static_cast<std::uint8_t>(m_pending[i + 1]);
                if (c == 0x10 && n == 0x03) {
                    complete = true;
                    i += 2;
                    break;
                }
                if (c == 0x10 && n == 0x90) {
                    body.append('\x10');
                    i += 2;
                } else {
                    body.append(static_cast<char>(c));
                    i += 1;
                }
            }
            if (!complete)
                return;
            m_pending.remove(0, i);
            Frame f;
            f.kalder = true;
            if (body.size() >= 4) {
                f.type = static_cast<std::uint8_t>(body[1]);
                f.payload = body.mid(2, body.size() - 4);
                const std::uint16_t sent = static_cast<std::uint8_t>(body[body.size() - 2]) |
                                           static_cast<std::uint8_t>(body[body.size() - 1]) << 8;
                f.crcGood = wire::kermit(body.left(body.size() - 2)) == sent;
            } else {
                f.crcGood = false;
            }
            m_frames << f;
            if (m_answer)
                m_answer(m_frames.last());
            continue;
        }
        if (m_pending.isEmpty())
            return;
        // Bytes outside a frame (an RTU request): keep them in the raw log only.
        if (m_pending.size() == 1 && m_pending[0] == '\x10')
            return;
        m_pending.remove(0, 1);
    }
}

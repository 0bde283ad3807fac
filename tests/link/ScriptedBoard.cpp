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
        if (m_pending.startsWith("\x10\x02")) {
            const auto k = wire::takeKalder(m_pending);
            if (!k)
                return;
            Frame f;
            f.kalder = true;
            f.type = k->type;
            f.payload = k->payload;
            f.crcGood = k->crcOk;
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

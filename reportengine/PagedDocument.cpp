#include "PagedDocument.h"

PagedDocument::PagedDocument(QSizeF pageSizeMm, QList<Page> pages, DocumentInfo info)
    : m_pageSizeMm(pageSizeMm), m_pages(std::move(pages)), m_info(std::move(info))
{
}

QStringList PagedDocument::pageTexts(int page) const
{
    QStringList texts;
    if (page < 0 || page >= m_pages.size())
        return texts;
    for (const PageItem& item : m_pages.at(page).items)
        if (!item.text.isEmpty())
            texts << item.text;
    return texts;
}

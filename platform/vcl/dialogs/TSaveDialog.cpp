#include "platform/vcl/dialogs/TSaveDialog.h"

TSaveDialog::TSaveDialog(TComponent* owner)
    : TComponent(owner)
{
}

TSaveDialog::~TSaveDialog() = default;

void TSaveDialog::SetDefaultExt(const AnsiString& extension)
{
    // ".jpg" and "jpg" mean the same; the dot is added when the name is completed.
    m_defaultExt = !extension.empty() && extension.front() == '.' ? extension.substr(1) : extension;
}

std::vector<TFileFilter> TSaveDialog::ParseFilter(const AnsiString& filter)
{
    std::vector<AnsiString> parts;
    size_t start = 0;
    while (start <= filter.size()) {
        size_t bar = filter.find('|', start);
        if (bar == AnsiString::npos)
            bar = filter.size();
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<TFileFilter> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
        filters.push_back({ parts[i], parts[i + 1] });
    return filters;
}

bool TSaveDialog::Execute()
{
    TFileDialogRequest request;
    request.title = m_title;
    request.defaultExt = m_defaultExt;
    request.filters = ParseFilter(m_filter);
    // An index outside the list selects the first entry, like the native dialogs.
    int count = static_cast<int>(request.filters.size());
    request.filterIndex = m_filterIndex >= 1 && m_filterIndex <= count ? m_filterIndex - 1 : 0;
    request.fileName = m_fileName;
    request.initialDir = m_initialDir;
    request.options = m_options;

    auto binding = TFileDialogBinding::Create();
    TFileDialogAnswer answer = binding->ExecuteSave(request);
    if (!answer.accepted)
        return false;
    m_fileName = answer.fileName;
    if (count > 0)
        m_filterIndex = answer.filterIndex + 1;
    return true;
}

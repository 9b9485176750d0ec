#include "CQtEngineHost.h"

#include "common/MessageBoxes.h"
#include "common/Settings.h"

int CQtEngineHost::GetBufferSize() { return ::GetBufferSize(); }

int CQtEngineHost::MessageBox(const std::string& text, unsigned style)
{
    return ShowMessageBox(QString::fromStdString(text), style);
}

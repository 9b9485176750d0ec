#include "CQtEngineHost.h"

#include "app/MessageBoxes.h"
#include "app/Settings.h"

int CQtEngineHost::GetBufferSize() { return ::GetBufferSize(); }

int CQtEngineHost::MessageBox(const std::string& text, unsigned style)
{
    return ShowMessageBox(QString::fromStdString(text), style);
}

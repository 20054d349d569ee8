// main() for the Linux build: starts the Qt application and hands over to
// WinMain, as the Windows loader would. The command line is not used.
#include <windows.h>

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    char cmdline[] = "";
    return WinMain(GetModuleHandleA(NULL), NULL, cmdline, SW_SHOWDEFAULT);
}

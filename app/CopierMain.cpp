#include "app/CopierMain.h"
#include "app/Startup.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "platform/vcl/forms/TApplication.h"

int RunCopier(int argc, char** argv, const std::function<void()>& started)
{
    TApplication::SetArguments(argc, argv);
    try {
        PrepareStartup(argc > 0 ? argv[0] : "");
        Application->Initialize();
        Application->SetTitle("Velmora Copier");
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        if (started)
            started();
        Application->Run();
    } catch (const Exception& e) {
        Application->ShowException(e);
    } catch (const std::exception& e) {
        Application->ShowException(Exception(e.what()));
    }
    // The windows go before the application object and the toolkit.
    delete Form2;
    delete Form1;
    return 0;
}

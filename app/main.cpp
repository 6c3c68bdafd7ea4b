// The copier: start-up as the class library runs it.
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Startup.h"
#include "platform/vcl/forms/TApplication.h"

int main(int argc, char** argv)
{
    TApplication::SetArguments(argc, argv);
    try {
        PrepareStartup(argv[0]);
        Application->Initialize();
        Application->SetTitle("Velmora Copier");
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        Application->Run();
    } catch (const Exception& e) {
        Application->ShowException(e);
    } catch (const std::exception& e) {
        Application->ShowException(Exception(e.what()));
    }
    delete Form2;
    delete Form1;
    return 0;
}

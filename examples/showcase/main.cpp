// A window showing the package's visual components at work.
#include "examples/showcase/TShowcaseForm.h"
#include "platform/vcl/forms/TApplication.h"

int main(int argc, char** argv)
{
    TApplication::SetArguments(argc, argv);
    try {
        Application->Initialize();
        Application->SetTitle("Velmora Components");
        Application->CreateForm(ShowcaseForm);
        Application->Run();
    } catch (const Exception& e) {
        Application->ShowException(e);
    }
    delete ShowcaseForm;
    return 0;
}

// The running program as the soak sees it: started, timed, and its two
// lists read through the driver's queries, never a bare SendMessageW: a
// list that a rebuild destroys before the program takes the message would
// leave a bare send waiting for ever under Wine 8.
#include "soak.h"

#include <algorithm>
#include <cstdio>

bool StartProgram(ProgramProcess& program)
{
    if (program.start(PumpMessages))
        return true;
    std::printf("  the program did not start\n");
    return false;
}

HWND ProgramLists::list(int id) const
{
    return GetDlgItem(program_.window(), id);
}

Reply ProgramLists::ask(HWND list, UINT message, WPARAM wParam, LRESULT* result)
{
    return counted(AskWindow(list, message, wParam, 0, result));
}

Reply ProgramLists::readList(HWND list, std::vector<std::wstring>* entries)
{
    entries->clear();
    LRESULT count = 0;
    Reply reply = ask(list, LB_GETCOUNT, 0, &count);
    for (int i = 0; reply == Reply::Given && i < count; ++i) {
        std::wstring text;
        reply = counted(AskListText(list, i, &text));
        if (reply == Reply::Given)
            entries->push_back(text);
    }
    return reply;
}

Reply ProgramLists::entries(int id, std::vector<std::wstring>* sorted)
{
    Reply reply = onCurrentList(id, [&](HWND list) { return readList(list, sorted); });
    std::sort(sorted->begin(), sorted->end());
    return reply;
}

Reply ProgramLists::count(int id, int* count)
{
    LRESULT answer = 0;
    Reply reply = onCurrentList(id, [&](HWND list) { return ask(list, LB_GETCOUNT, 0, &answer); });
    *count = static_cast<int>(answer);
    return reply;
}

bool ProgramLists::holds(int id, const wchar_t* text)
{
    LRESULT index = LB_ERR;
    Reply reply = onCurrentList(id, [&](HWND list) {
        return counted(AskWindow(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(text), &index));
    });
    return reply == Reply::Given && index != LB_ERR;
}

void ProgramLists::printUnanswered() const
{
    std::printf("  list queries left unanswered for 5 s: %d\n", unanswered_);
    std::fflush(stdout);
}

Reply ProgramLists::counted(Reply reply)
{
    if (reply == Reply::Silent)
        ++unanswered_;
    return reply;
}

Reply ProgramLists::onCurrentList(int id, const std::function<Reply(HWND)>& read)
{
    // Between destroying the old lists and creating the new ones the
    // program has no list of that id; Gone then means "look again", for
    // up to 5 s while the program runs.
    double end = Seconds() + 5;
    for (;;) {
        HWND current = list(id);
        Reply reply = current ? read(current) : Reply::Gone;
        if (reply != Reply::Gone || !program_.running() || Seconds() > end)
            return reply;
        PumpFor(0.005);
    }
}

// A shell that does everything at random. Each schedule is a short program
// life: started shown or hidden (SW_HIDE, as a launcher may), while the
// stand-in taskbar refuses the icon, answers nothing for a while, takes it
// again and restarts with "TaskbarCreated" (busy at its start or not), at
// random moments and for random lengths, with the close button, 起動 and a
// window of the soak's own mixed in; then 終了. After every step the soak
// looks at the program as a user would:
//   - the window is never hidden while the shell holds no icon for longer
//     than about 2 s: no icon, no taskbar button, no way back;
//   - a window the program minimized in place of hiding it goes to the tray
//     within about 2 s of the shell holding the icon (the soak never
//     minimizes it itself, so every minimized window is the program's);
//   - the program answers throughout: a window the soak opens is listed
//     within about 2 s (its census runs; a probe sent to it would be
//     answered even while its thread waits inside an outgoing SendMessage);
//   - 終了 ends it within 2 s, with exit code 0.
// A program that ends by itself before 終了 (as under emulation) vanished:
// that is counted apart from the breaks, with the program's run time, so
// a rate per hour can be given.
//
// Each schedule comes from a seed of its own, derived from the run's seed.
//   randomshell [--schedules N] [--run-seed R]   N schedules (200), from the
//                                                run's seed R (by the clock)
//   randomshell --minutes M [--run-seed R]       as many as M minutes take
//   randomshell --seed S                         the one schedule of seed S
#include "soak.h"

#include "shared/identifiers.h"
#include "stand_in_taskbar.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

const double RULE_SECONDS = 2.0;  // "about 2 s" of every rule
const double POLL_SECONDS = 0.1;  // between two looks for a window opened
const int DEFAULT_SCHEDULES = 200;
const double BEFORE_START = -1;  // a step's time: before the program starts

enum class Action {
    Refuse,         // the stand-in refuses the program's records
    Take,           // and takes them again
    Silent,         // answers nothing for `length` s
    Resume,         // answers again
    Restart,        // forgets the icon and broadcasts "TaskbarCreated"
    RestartSilent,  // so, and then answers nothing for `length` s
    Close,          // the close button (WM_CLOSE)
    Show,           // 起動, while the window is hidden
    Open,           // a window of the soak's own, to be listed
};

struct Step {
    double at;  // seconds after the program's window appeared
    Action action;
    double length;
};

struct Schedule {
    unsigned seed = 0;
    bool hidden = false;  // started with SW_HIDE
    std::vector<Step> steps;
    double exitAt = 0;  // 終了
};

// A 32-bit seed for schedule `index` of the run: the run's seed and the
// index mixed (splitmix64), so neighbouring schedules share nothing.
unsigned ScheduleSeed(unsigned runSeed, int index)
{
    unsigned long long z = ((static_cast<unsigned long long>(runSeed) << 32) | static_cast<unsigned>(index)) +
                           0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<unsigned>(z ^ (z >> 31));
}

// The schedule of `seed`, the same on every build: std::mt19937's numbers
// are fixed by the standard, its distributions are not, so they are made here.
Schedule MakeSchedule(unsigned seed)
{
    std::mt19937 random(seed);
    auto uniform = [&](double low, double high) { return low + (high - low) * (random() / 4294967296.0); };
    auto chance = [&](double p) { return uniform(0, 1) < p; };
    Schedule schedule;
    schedule.seed = seed;
    schedule.hidden = chance(0.4);
    // The shell's and the user's steps come until `end`. Then, mostly, the
    // shell takes the icon and answers for a rule's time and a little more,
    // so that whatever the steps left the program to mend is seen mended
    // or not; else 終了 comes at once, in whatever state the shell is.
    double end = uniform(1.0, 3.0);
    bool settle = chance(0.75);
    schedule.exitAt = settle ? end + RULE_SECONDS + 0.3 : end;
    std::vector<Step>& steps = schedule.steps;
    // Until then the stand-in answers nothing; it cannot restart meanwhile.
    double silentUntil = BEFORE_START;
    auto silence = [&](double at, Action action) {
        double length = uniform(0.5, 4.0);
        steps.push_back({at, action, length});
        steps.push_back({at + length, Action::Resume, 0});
        silentUntil = at + length;
    };
    // A busy logon: the shell refuses or answers nothing at the start.
    if (chance(0.35))
        steps.push_back({BEFORE_START, Action::Refuse, 0});
    if (chance(0.45)) {
        // The stand-in stops before the start, and answers again at a
        // time counted from the program's window.
        silence(0, Action::Silent);
        steps[steps.size() - 2].at = BEFORE_START;
    }
    steps.push_back({uniform(0, end), Action::Open, 0});
    // Weighted: the close button and 起動 come twice as often as each other step.
    const Action any[] = {Action::Refuse, Action::Take, Action::Silent, Action::Restart, Action::RestartSilent,
                          Action::Close, Action::Close, Action::Show, Action::Show, Action::Open};
    const Action whileSilent[] = {Action::Refuse, Action::Take, Action::Close, Action::Close,
                                  Action::Show, Action::Show, Action::Open};
    for (double at = uniform(0.05, 0.6); at < end; at += uniform(0.05, 0.9)) {
        bool silent = at < silentUntil;
        size_t choices = silent ? sizeof(whileSilent) / sizeof(*whileSilent) : sizeof(any) / sizeof(*any);
        Action action = (silent ? whileSilent : any)[random() % choices];
        if (action == Action::Silent || action == Action::RestartSilent)
            silence(at, action);
        else
            steps.push_back({at, action, 0});
    }
    // What would come after `end` is left out: the shell settles then, or
    // the end of the schedule resumes the stand-in.
    steps.erase(std::remove_if(steps.begin(), steps.end(), [&](const Step& step) { return step.at >= end; }),
                steps.end());
    if (settle) {
        steps.push_back({end, Action::Take, 0});
        steps.push_back({end, Action::Resume, 0});
    }
    std::stable_sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) { return a.at < b.at; });
    return schedule;
}

const char* ActionName(Action action)
{
    switch (action) {
    case Action::Refuse: return "refuse";
    case Action::Take: return "take";
    case Action::Silent: return "silent";
    case Action::Resume: return "answer again";
    case Action::Restart: return "restart";
    case Action::RestartSilent: return "restart silent";
    case Action::Close: return "close";
    case Action::Show: return "起動";
    case Action::Open: return "open a window";
    }
    return "?";
}

void PrintSteps(const Schedule& schedule)
{
    std::printf("      %s start\n", schedule.hidden ? "hidden (SW_HIDE)" : "shown");
    for (const Step& step : schedule.steps) {
        if (step.at == BEFORE_START)
            std::printf("      before the start: %s", ActionName(step.action));
        else
            std::printf("      %5.2f s: %s", step.at, ActionName(step.action));
        if (step.length > 0)
            std::printf(" for %.2f s", step.length);
        std::printf("\n");
    }
    std::printf("      %5.2f s: 終了\n", schedule.exitAt);
}

// What the whole run found, for its summary.
struct Totals {
    int schedules = 0, broken = 0, breaks = 0, vanished = 0;
    double programSeconds = 0;
    // The longest of each, over the schedules that did not vanish.
    double hiddenWithoutIcon = 0, minimizedWithIcon = 0, listed = 0, exited = 0;
};

// A condition that must not last longer than RULE_SECONDS: how long it has
// held, and whether its break has been told.
struct Episode {
    double since = -1;
    bool told = false;

    // True once, when the condition has held too long.
    bool overdue(bool holds, double now, double* longest)
    {
        if (!holds) {
            since = -1;
            told = false;
            return false;
        }
        if (since < 0)
            since = now;
        *longest = std::max(*longest, now - since);
        if (told || now - since <= RULE_SECONDS)
            return false;
        told = true;
        return true;
    }
};

// Kept open to the schedule's end: the program's census compares only the
// number of windows, so one closed in the same tick as another opens would
// hide the new one from it.
struct OpenedWindow {
    HWND window;
    std::wstring title;
    double at, lookedAt;
    bool judged;  // listed, or its break told
};

// One schedule played, the breaks of its rules printed with its seed and
// steps; false when there is no stand-in to play it with.
class Player {
public:
    Player(const Schedule& schedule, Totals& totals) : schedule_(schedule), totals_(totals) {}

    bool play(bool printSteps)
    {
        // Declared first, so ended after the stand-in: ending the program
        // asks the shell to remove its icon, which a stopped stand-in would
        // not answer.
        ProgramProcess program;
        StandInTaskbar taskbar;
        if (!taskbar.inFront()) {
            std::printf("  no taskbar to stand in for\n");
            return false;
        }
        taskbar_ = &taskbar;
        program_ = &program;
        size_t next = 0;
        for (; next < schedule_.steps.size() && schedule_.steps[next].at == BEFORE_START; ++next)
            apply(schedule_.steps[next]);
        double started = Seconds();
        if (program.start(PumpMessages, 15000, schedule_.hidden ? SW_HIDE : -1))
            run(next);
        else if (program.running())
            fault(0, "%s", "the program's window did not appear within 15 s");
        else
            vanished_ = true;
        double ended = Seconds();
        if (vanished_)
            GetExitCodeProcess(program.handle(), &vanishedCode_);
        for (OpenedWindow& opened : opened_)
            DestroyWindow(opened.window);
        taskbar.refuse(false);
        resume();
        program.end();
        lists_ = nullptr;
        report(ended - started, printSteps);
        return true;
    }

private:
    void run(size_t next)
    {
        ProgramLists lists(*program_);
        lists_ = &lists;
        window_ = program_->window();
        start_ = Seconds();
        const std::vector<Step>& steps = schedule_.steps;
        for (;;) {
            double now = Seconds() - start_;
            for (; next < steps.size() && steps[next].at <= now; ++next)
                apply(steps[next]);
            if (!program_->running()) {
                vanished_ = true;
                vanishedAt_ = now;
                return;
            }
            if (now >= schedule_.exitAt)
                break;
            look(now);
            PumpFor(0.01);
        }
        exit();
    }

    void apply(const Step& step)
    {
        switch (step.action) {
        case Action::Refuse: taskbar_->refuse(true); break;
        case Action::Take: taskbar_->refuse(false); break;
        case Action::Silent: taskbar_->stop(); silent_ = true; break;
        case Action::Resume: resume(); break;
        case Action::Restart: taskbar_->restart(false); break;
        case Action::RestartSilent: taskbar_->restart(true); silent_ = true; break;
        case Action::Close: PostMessageW(window_, WM_CLOSE, 0, 0); break;
        case Action::Show:
            // The tray menu offers 起動 only while the window is hidden.
            if (!IsWindowVisible(window_))
                PostMessageW(window_, WM_COMMAND, ID_TRAY_SHOW, 0);
            break;
        case Action::Open:
            // Two at once: the program hiding or showing its own window in
            // the same tick changes the number by one, which leaves the
            // change of two seen.
            for (int pair = 0; pair < 2; ++pair) {
                wchar_t title[80];
                std::swprintf(title, 80, L"random shell window %u.%d", schedule_.seed,
                              static_cast<int>(opened_.size()));
                double at = Seconds() - start_;
                opened_.push_back({OpenWindow(L"AltavueSoakRandomShell", title), title, at, at, false});
            }
            break;
        }
    }

    // Only a stopped stand-in is resumed: the resume of one that runs would
    // be kept, and would let its next stop pass at once.
    void resume()
    {
        if (silent_)
            taskbar_->resume();
        silent_ = false;
    }

    // The rules, as the user sees the program at `now`.
    void look(double now)
    {
        bool visible = IsWindowVisible(window_) != FALSE;
        bool held = taskbar_->holdsIcon();
        if (hiddenWithoutIcon_.overdue(!visible && !held, now, &longest_.hiddenWithoutIcon))
            fault(now, "hidden since %.2f s while the shell holds no icon", hiddenWithoutIcon_.since);
        if (minimizedWithIcon_.overdue(visible && IsIconic(window_) && held, now, &longest_.minimizedWithIcon))
            fault(now, "minimized on the taskbar since %.2f s while the shell holds the icon",
                  minimizedWithIcon_.since);
        for (OpenedWindow& opened : opened_) {
            if (opened.judged || now - opened.lookedAt < POLL_SECONDS)
                continue;
            // Timed to the answer: a program that takes long to answer
            // has not listed the window in time either.
            bool listed = lists_->holds(ID_LIST_ALL, opened.title.c_str());
            opened.lookedAt = Seconds() - start_;
            double after = opened.lookedAt - opened.at;
            if (listed)
                longest_.listed = std::max(longest_.listed, after);
            if (after > RULE_SECONDS)
                fault(opened.lookedAt, "a window opened at %.2f s is %s after %.2f s", opened.at,
                      listed ? "listed only" : "not listed", after);
            else if (!listed)
                continue;
            opened.judged = true;
        }
    }

    void exit()
    {
        double posted = Seconds();
        PostMessageW(window_, WM_COMMAND, ID_TRAY_EXIT, 0);
        bool ended = WaitFor([&] { return !program_->running(); }, 10);
        double took = Seconds() - posted;
        longest_.exited = took;
        double now = Seconds() - start_;
        DWORD code = 0;
        GetExitCodeProcess(program_->handle(), &code);
        if (!ended)
            fault(now, "終了 has not ended the program after 10 s");
        else if (took > RULE_SECONDS)
            fault(now, "終了 took %.2f s to end the program", took);
        if (ended && code != 0)
            fault(now, "the program ended with exit code %lu after 終了", code);
    }

    template <typename... Values>
    void fault(double at, const char* format, Values... values)
    {
        char text[200];
        std::snprintf(text, sizeof(text), format, values...);
        char line[260];
        std::snprintf(line, sizeof(line), "at %.2f s: %s", at, text);
        faults_.push_back(line);
    }

    void report(double lived, bool printSteps)
    {
        ++totals_.schedules;
        totals_.programSeconds += lived;
        std::printf("  schedule %d, seed %u: %s start, %d steps, 終了 at %.2f s: ", totals_.schedules,
                    schedule_.seed, schedule_.hidden ? "hidden" : "shown", static_cast<int>(schedule_.steps.size()),
                    schedule_.exitAt);
        if (vanished_) {
            ++totals_.vanished;
            std::printf("VANISHED at %.2f s (the process ended by itself, exit code %lu)\n", vanishedAt_,
                        vanishedCode_);
        } else if (!faults_.empty()) {
            ++totals_.broken;
            totals_.breaks += static_cast<int>(faults_.size());
            std::printf("BROKEN\n");
        } else {
            std::printf("ok\n");
        }
        if (!vanished_) {
            totals_.hiddenWithoutIcon = std::max(totals_.hiddenWithoutIcon, longest_.hiddenWithoutIcon);
            totals_.minimizedWithIcon = std::max(totals_.minimizedWithIcon, longest_.minimizedWithIcon);
            totals_.listed = std::max(totals_.listed, longest_.listed);
            totals_.exited = std::max(totals_.exited, longest_.exited);
        }
        for (const std::string& fault : faults_)
            std::printf("    break, seed %u, %s\n", schedule_.seed, fault.c_str());
        if (printSteps || vanished_ || !faults_.empty()) {
            std::printf("    steps of seed %u:\n", schedule_.seed);
            PrintSteps(schedule_);
        }
        std::fflush(stdout);
    }

    const Schedule& schedule_;
    Totals& totals_;
    Totals longest_;
    StandInTaskbar* taskbar_ = nullptr;
    ProgramProcess* program_ = nullptr;
    ProgramLists* lists_ = nullptr;
    HWND window_ = nullptr;
    double start_ = 0;
    Episode hiddenWithoutIcon_, minimizedWithIcon_;
    std::vector<OpenedWindow> opened_;
    std::vector<std::string> faults_;
    bool silent_ = false;  // the stand-in is stopped
    bool vanished_ = false;
    double vanishedAt_ = 0;
    DWORD vanishedCode_ = 0;
};

// The value after option `name`, or null.
const char* Option(int argc, char** argv, const char* name)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], name) == 0)
            return argv[i + 1];
    return nullptr;
}

}  // namespace

void RandomShellPhase(int argc, char** argv)
{
    const char* one = Option(argc, argv, "--seed");
    const char* count = Option(argc, argv, "--schedules");
    const char* given = Option(argc, argv, "--run-seed");
    const char* minutes = Option(argc, argv, "--minutes");
    int schedules = one ? 1 : count ? std::atoi(count) : DEFAULT_SCHEDULES;
    double seconds = minutes && !one ? std::atof(minutes) * 60 : 0;
    unsigned runSeed = given ? static_cast<unsigned>(std::strtoul(given, nullptr, 10))
                             : GetTickCount() ^ (GetCurrentProcessId() << 16);
    std::printf("\na random shell: ");
    if (one)
        std::printf("the schedule of seed %s\n", one);
    else if (seconds > 0)
        std::printf("schedules for %.0f min, of run seed %u (replay one with --seed S)\n", seconds / 60, runSeed);
    else
        std::printf("%d schedules of run seed %u (replay one with --seed S)\n", schedules, runSeed);
    std::fflush(stdout);
    Totals totals;
    double began = Seconds();
    for (int i = 0; seconds > 0 ? Seconds() - began < seconds : i < schedules; ++i) {
        unsigned seed = one ? static_cast<unsigned>(std::strtoul(one, nullptr, 10)) : ScheduleSeed(runSeed, i);
        Schedule schedule = MakeSchedule(seed);
        if (!Player(schedule, totals).play(one != nullptr))
            return;
        // For a long run that does not reach its summary (the soak itself
        // may vanish under emulation).
        if (totals.schedules % 25 == 0)
            std::printf("  after %d schedules: %d breaks, %d programs vanished in %.3f h of the program's run time\n",
                        totals.schedules, totals.breaks, totals.vanished, totals.programSeconds / 3600);
    }
    double hours = totals.programSeconds / 3600;
    std::printf("  %d schedules in %.1f min (run seed %u): %d breaks in %d schedules; %d programs vanished "
                "in %.3f h of the program's run time",
                totals.schedules, (Seconds() - began) / 60, runSeed, totals.breaks, totals.broken,
                totals.vanished, hours);
    if (hours > 0)
        std::printf(" (%.1f per hour)", totals.vanished / hours);
    std::printf("\n  longest: hidden with no icon held %.2f s, minimized with the icon held %.2f s, "
                "a window opened listed after %.2f s, 終了 to the end %.2f s\n",
                totals.hiddenWithoutIcon, totals.minimizedWithIcon, totals.listed, totals.exited);
    std::fflush(stdout);
}

// A process that does nothing: wine-faults/repro-wine-start starts it thousands
// of times to count the starts that Wine's loader ends before it runs.
int main()
{
    return 0;
}

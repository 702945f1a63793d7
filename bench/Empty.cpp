// The baseline of the start-up benchmark: a console program that does nothing, built and
// linked like the tool.
int wmain()
{
    return 0;
}

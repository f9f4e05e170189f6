/* The installer of the benchmark: ends at once. */
int main(void)
{
    return 0;
}

@echo off
echo Hello from Hello Nuvex.
pause

@echo off
rem Varentis update: brings an installed directory to this release.
rem Run from the directory in which the products are installed.
if not exist installd.ini goto notinstalled
echo Updating the Varentis products in %CD% ...
if exist properties\hubsvc.properties copy properties\hubsvc.properties properties\hubsvc.properties-sav
echo Update finished.
goto end
:notinstalled
echo No Varentis installation was found in this directory.
:end

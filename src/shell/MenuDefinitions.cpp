#include "shell/MenuForm.h"

const QList<MenuDefinition>& menuDefinitions() {
    using A = MenuEntry::Action;
    static const QList<MenuDefinition> menus = {
        {QStringLiteral("frmMain"), QStringLiteral("Main Menu"), QStringLiteral("Varnex"), 20, true,
         {
             {QStringLiteral("cmdDataEntry"), QStringLiteral("lblDataEntry"), QStringLiteral("Data Entry"), A::Open, QStringLiteral("frmDataEntMenu"), 20},
             {QStringLiteral("cmdReports"), QStringLiteral("lblReports"), QStringLiteral("Run Reports"), A::Open, QStringLiteral("frmReports"), 100},
             {QStringLiteral("cmdTables"), QStringLiteral("lblTables"), QStringLiteral("Tables"), A::Open, QStringLiteral("frmTblMenu"), 210},
             {QStringLiteral("Command1"), QStringLiteral("Label1"), QStringLiteral("Utility"), A::Open, QStringLiteral("frmUtility"), 180},
             {QStringLiteral("cmdExit"), QStringLiteral("lblExit"), QStringLiteral("Exit"), A::ExitProgram, QString()},
         }},
        {QStringLiteral("frmDataEntMenu"), QStringLiteral("Data Entry Menu"), QStringLiteral(" Varnex"), 20, false,
         {
             {QStringLiteral("cmdInspectionData"), QStringLiteral("lblInspectionentry"), QStringLiteral("Enter Inspection Data"), A::Open, QStringLiteral("frmDataEntry")},
             {QStringLiteral("cmdModel"), QStringLiteral("lblModels"), QStringLiteral("Models"), A::Open, QStringLiteral("frmModel")},
             {QStringLiteral("cmdParts"), QStringLiteral("lblParts"), QStringLiteral("Parts"), A::Open, QStringLiteral("frmPart")},
             {QStringLiteral("cmdDefectCodes"), QStringLiteral("lblDefectCodes"), QStringLiteral("Defect Codes"), A::Open, QStringLiteral("frmDefects")},
             {QStringLiteral("cmdLocation"), QStringLiteral("lblDefectLoc"), QStringLiteral("Defect Location"), A::Open, QStringLiteral("frmLocation")},
             {QStringLiteral("cmdStation"), QStringLiteral("lblStation"), QStringLiteral("Station"), A::Open, QStringLiteral("frmStation")},
             {QStringLiteral("cmdEmployees"), QStringLiteral("lblEmployees"), QStringLiteral("Employees"), A::Open, QStringLiteral("frmEmployee")},
             {QStringLiteral("cmdWaitingRows"), QStringLiteral("lblWaitingRows"), QStringLiteral("Rows Waiting at This Station"), A::Open, QStringLiteral("frmOutbox")},
             {QStringLiteral("cmdExit"), QStringLiteral("lblExit"), QStringLiteral("Exit Data Entry"), A::ExitMenu, QString()},
         }},
        {QStringLiteral("frmTblMenu"), QStringLiteral("Table Menu"), QStringLiteral(" Varnex"), 210, false,
         {
             {QStringLiteral("cmdInspection"), QStringLiteral("lblInspection"), QStringLiteral("Inspection Table"), A::Open, QStringLiteral("tblInspection")},
             {QStringLiteral("cmdModel"), QStringLiteral("lblModel"), QStringLiteral("Model Table"), A::Open, QStringLiteral("tblModel")},
             {QStringLiteral("cmdPart"), QStringLiteral("lblPart"), QStringLiteral("Part Table"), A::Open, QStringLiteral("tblPart")},
             {QStringLiteral("cmdDefect"), QStringLiteral("cmdDefectCode"), QStringLiteral("Defect Code Table"), A::Open, QStringLiteral("tbldefects")},
             {QStringLiteral("cmdLocation"), QStringLiteral("lblLocation"), QStringLiteral("Location Code Table"), A::Open, QStringLiteral("tblLocationCode")},
             {QStringLiteral("cmdEmployee"), QStringLiteral("lblEmployee"), QStringLiteral("Employee Table"), A::Open, QStringLiteral("tblEmployees")},
             {QStringLiteral("cmdExit"), QStringLiteral("lblExit"), QStringLiteral("Exit Tables"), A::ExitMenu, QString()},
         }},
        {QStringLiteral("frmReports"), QStringLiteral("Reports Menu"), QStringLiteral(" Varnex"), 100, false,
         {
             {QStringLiteral("cmd1stPass"), QStringLiteral("lbl1stPass"), QStringLiteral("1st Pass Inspection Yields"), A::Open, QStringLiteral("frm1stPassYields")},
             {QStringLiteral("cmdDefects"), QStringLiteral("cmdDefectsbyOp"), QStringLiteral("Defects by Operator"), A::Open, QStringLiteral("frmDefectsbyOp")},
             {QStringLiteral("Command1"), QStringLiteral("Label1"), QStringLiteral("Defects With Notes"), A::Open, QStringLiteral("frmDefectsbyopsWNotes")},
             {QStringLiteral("cmdDefectsbySelectedOperator"), QStringLiteral("Label3"), QStringLiteral("Defects by Selected Operator"), A::Open, QStringLiteral("frmDefectsbySelectedOperator")},
             {QStringLiteral("cmdDefectsByModel"), QStringLiteral("Label2"), QStringLiteral("Defects by Model"), A::Open, QStringLiteral("frmDefectsByModel")},
             {QStringLiteral("cmdInspExcapes"), QStringLiteral("lblInspectionExcapes"), QStringLiteral("Inspection Escapes"), A::Open, QStringLiteral("frmInspectionEscapes")},
             {QStringLiteral("cmdPareto"), QStringLiteral("lblPareto"), QStringLiteral("Pareto of Defects"), A::Open, QStringLiteral("frmPareto")},
             {QStringLiteral("cmdAuditTrail"), QStringLiteral("lblAuditTrail"), QStringLiteral("Audit Trail"), A::Open, QStringLiteral("frmAuditTrail")},
             // Stands above "Exit Reports" but comes last in the tab order.
             {QStringLiteral("cmdprintform"), QStringLiteral("lblPrintForm"), QStringLiteral("Print Data Collection Form"), A::OpenKeepMenu, QStringLiteral("frmPrintDataSheet"), 0, 9},
             {QStringLiteral("Exit"), QStringLiteral("cmdExit"), QStringLiteral("Exit Reports"), A::ExitMenu, QString(), 0, 8},
         }},
    };
    return menus;
}

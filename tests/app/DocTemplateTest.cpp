// The template's document-type matching.
#include "Helpers.h"
#include "TestRegistry.h"

#include <QTest>

using C = CMultiExtDocTemplate;
Q_DECLARE_METATYPE(CMultiExtDocTemplate::Confidence)

class CDocTemplateTest : public QObject {
    Q_OBJECT
private slots:
    void matchExtension_data();
    void matchExtension();
    void openDocumentPathIsAlreadyOpen();
};

void CDocTemplateTest::matchExtension_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("filterExt");
    QTest::addColumn<CMultiExtDocTemplate::Confidence>("expected");
    QTest::newRow("native") << "/a/b.qta"
                            << ".qta" << C::yesAttemptNative;
    QTest::newRow("capitals") << "/a/B.QTA"
                              << ".qta" << C::yesAttemptNative;
    QTest::newRow("no dot") << "/a/qta"
                            << ".qta" << C::yesAttemptForeign;
    QTest::newRow("dot in folder") << "/a.qta/file"
                                   << ".qta" << C::yesAttemptForeign;
    QTest::newRow("other") << "x.txt"
                           << ".qta" << C::yesAttemptForeign;
    QTest::newRow("two dots") << "x.qta.bak"
                              << ".qta" << C::yesAttemptForeign;
    QTest::newRow("empty filter") << "x.qta"
                                  << "" << C::yesAttemptForeign;
    QTest::newRow("second entry") << "x.qtb"
                                  << ".qta;*.qtb" << C::yesAttemptNative;
    QTest::newRow("first entry of two") << "x.qta"
                                        << ".qta;*.qtb" << C::yesAttemptNative;
    QTest::newRow("later part without dot ends list") << "x.qtb"
                                                      << ".qta;qtb" << C::yesAttemptForeign;
    QTest::newRow("third after dotless") << "x.qtc"
                                         << ".qta;qtb;.qtc" << C::yesAttemptNative;
}

void CDocTemplateTest::matchExtension() {
    QFETCH(QString, path);
    QFETCH(QString, filterExt);
    QFETCH(CMultiExtDocTemplate::Confidence, expected);
    QCOMPARE(C::MatchExtension(path, filterExt), expected);
}

void CDocTemplateTest::openDocumentPathIsAlreadyOpen() {
    CScriptedDoc s(false);
    CQueltaDoc* match = nullptr;
    QCOMPARE(s.H.App.DocTemplate()->MatchDocType(QStringLiteral("/tmp/q.qta"), &match),
             C::yesAttemptNative);
    QVERIFY(match == nullptr);
    s.Doc->SetPathName(QStringLiteral("/tmp/q.qta"));
    QCOMPARE(s.H.App.DocTemplate()->MatchDocType(QStringLiteral("/tmp/./q.qta"), &match),
             C::yesAlreadyOpen);
    QCOMPARE(match, s.Doc);
    QCOMPARE(s.H.App.DocTemplate()->MatchDocType(QStringLiteral("/tmp/Q.qta"), &match),
             C::yesAttemptNative);
}

QUELTA_REGISTER_TEST(CDocTemplateTest);
#include "DocTemplateTest.moc"

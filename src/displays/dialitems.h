// The instrument family's graphical items: two wind dials and two
// speedometers. Each owns the object that feeds its front-end component
// ("qrc:/WindDial.qml", "qrc:/Speedometer.qml"): CWindDial and CSpeedometer
// carry only numbers and texts, the component draws them.
#pragma once

#include <QObject>
#include <QString>
#include <memory>

#include "app/base/datasource.h"
#include "data/datagpsposition.h"
#include "data/datatruewind.h"
#include "data/mastrotation.h"
#include "data/startdata.h"
#include "displays/componentitem.h"
#include "nmea/nmea_instruments.h"

// A wind dial's values: angles in degrees (value and range relative to the
// dial's up direction), speed as text.
class CWindDial : public QObject {
    Q_OBJECT
    Q_PROPERTY(float value MEMBER value NOTIFY valueChanged)
    Q_PROPERTY(float mast MEMBER mast NOTIFY valueChanged)
    Q_PROPERTY(float axis MEMBER axis NOTIFY axisChanged)
    Q_PROPERTY(float boat MEMBER boat NOTIFY valueChanged)
    Q_PROPERTY(float range_min MEMBER range_min NOTIFY valueChanged)
    Q_PROPERTY(float range_max MEMBER range_max NOTIFY valueChanged)
    Q_PROPERTY(QString speed MEMBER speed NOTIFY valueChanged)
    Q_PROPERTY(QString title MEMBER title CONSTANT)
    Q_PROPERTY(bool trueWind MEMBER trueWind CONSTANT)

public:
    using QObject::QObject;
    float value = 0, mast = 0, axis = 0, boat = 0, range_min = 0, range_max = 0;
    QString speed, title;
    bool trueWind = false;

Q_SIGNALS:
    void valueChanged();
    void axisChanged();
};

// A speedometer's scale and value, in the user's speed unit.
class CSpeedometer : public QObject {
    Q_OBJECT
    Q_PROPERTY(float value MEMBER value NOTIFY valueChanged)
    Q_PROPERTY(float minValue MEMBER minValue NOTIFY scaleChanged)
    Q_PROPERTY(float maxValue MEMBER maxValue NOTIFY scaleChanged)
    Q_PROPERTY(float stepSize MEMBER stepSize NOTIFY scaleChanged)
    Q_PROPERTY(float majorStepSize MEMBER majorStepSize NOTIFY scaleChanged)
    Q_PROPERTY(float topSpeed MEMBER topSpeed NOTIFY scaleChanged)
    Q_PROPERTY(QString title MEMBER title NOTIFY scaleChanged)

public:
    using QObject::QObject;
    void setSpeed(float speed);
    float value = 0, minValue = 0, maxValue = 0, stepSize = 0, majorStepSize = 0, topSpeed = 0;
    QString title;

Q_SIGNALS:
    void valueChanged();
    void scaleChanged();
};

// The dial's scale for a top speed: r = top * 1.3 / 6 brought below 10 by
// decades; the major step is 1, 2 or 5 times the decade, the minor step
// half of it (equal to it for 5), the maximum the last major step below
// top * 1.3.
struct SpeedometerScale {
    float major = 1, minor = 0.5f, maximum = 0;
};
// False for a top that is not a positive finite number; tops above
// kMaxTopSpeed are taken as kMaxTopSpeed.
bool ComputeSpeedometerScale(float top, SpeedometerScale& scale);
constexpr float kMaxTopSpeed = 10000.0f;

class CItemSpeedometerBase : public CItemComponent {
public:
    explicit CItemSpeedometerBase(CDisplayView::CItemSettings& settings);
    std::string componentUrl() const override { return "qrc:/Speedometer.qml"; }
    QObject* componentModel() override { return &m_dial; }
    CSpeedometer& dial() { return m_dial; }
    // A new top speed (user's unit); ignored unless positive and finite.
    bool setScale(float top);
    // A speed in knots, shown in the user's unit; the scale grows to fit.
    void showKnots(float knots);

protected:
    CSpeedometer m_dial;
};

class CItemBoatSpeedometer : public CItemSpeedometerBase, public Listener<CNMEA_Instruments::VHW> {
public:
    static constexpr int kTypeId = 101;
    explicit CItemBoatSpeedometer(CDisplayView::CItemSettings& settings);
    void OnUpdate(CNMEA_Instruments::VHW& vhw) override;
};

class CItemGPSSpeedometer : public CItemSpeedometerBase, public Listener<CDataGPSPosition> {
public:
    static constexpr int kTypeId = 102;
    explicit CItemGPSSpeedometer(CDisplayView::CItemSettings& settings);
    void OnUpdate(CDataGPSPosition& position) override;
};

class CItemTrueWindDial : public CItemComponent,
                          public Listener<CDataTrueWind>,
                          public Listener<CDataGPSPosition>,
                          public Listener<CDataStartLine> {
public:
    static constexpr int kTypeId = 99;
    explicit CItemTrueWindDial(CDisplayView::CItemSettings& settings);
    std::string componentUrl() const override { return "qrc:/WindDial.qml"; }
    QObject* componentModel() override { return &m_dial; }
    CWindDial& dial() { return m_dial; }
    void OnUpdate(CDataTrueWind& wind) override;
    void OnUpdate(CDataGPSPosition& position) override;
    void OnUpdate(CDataStartLine& line) override;

private:
    CWindDial m_dial;
};

class CItemAppWindDial : public CItemComponent,
                         public Listener<CNMEA_Instruments::MWV>,
                         public Listener<CMastRotation> {
public:
    static constexpr int kTypeId = 100;
    explicit CItemAppWindDial(CDisplayView::CItemSettings& settings);
    std::string componentUrl() const override { return "qrc:/WindDial.qml"; }
    QObject* componentModel() override { return &m_dial; }
    CWindDial& dial() { return m_dial; }
    void OnUpdate(CNMEA_Instruments::MWV& mwv) override;
    void OnUpdate(CMastRotation& mast) override;

private:
    CWindDial m_dial;
    std::shared_ptr<CMastRotation> m_mast = CMastRotation::Shared();
};
